#include "UnitComparer.h"
#include "ui_UnitComparer.h"

TFormComparer *FormComparer = nullptr;

TFormComparer::TFormComparer()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormComparer>())
{
    ui->setupUi(this);
    finishCreate();
}

TFormComparer::~TFormComparer() = default;
