#include "UnitSaisie.h"
#include "ui_UnitSaisie.h"

TFormSaisie *FormSaisie = nullptr;

TFormSaisie::TFormSaisie()
    : TForm(BorderIcons::None)
    , ui(std::make_unique<Ui::TFormSaisie>())
{
    ui->setupUi(this);
    finishCreate();
}

TFormSaisie::~TFormSaisie() = default;
