#include "UnitDetails.h"
#include "ui_UnitDetails.h"

TFormDetails *FormDetails = nullptr;

TFormDetails::TFormDetails()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormDetails>())
{
    ui->setupUi(this);
    finishCreate();
}

TFormDetails::~TFormDetails() = default;
