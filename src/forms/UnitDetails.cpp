#include "UnitDetails.h"
#include "ui_UnitDetails.h"

#include "framework/Application.h"

using tarvo::connectHandler;

TFormDetails *FormDetails = nullptr;

TFormDetails::TFormDetails()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormDetails>())
{
    ui->setupUi(this);
    finishCreate();
    connectHandler(ui->ButtonOK, &QPushButton::clicked, this, &TFormDetails::ButtonOKClick);
}

TFormDetails::~TFormDetails() = default;

void TFormDetails::ButtonOKClick()
{
    FormDetails->setVisible(false);
}
