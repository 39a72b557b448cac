#include "UnitConsulter.h"
#include "ui_UnitConsulter.h"

TFormConsulter *FormConsulter = nullptr;

TFormConsulter::TFormConsulter()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormConsulter>())
{
    ui->setupUi(this);
    finishCreate();
}

TFormConsulter::~TFormConsulter() = default;
