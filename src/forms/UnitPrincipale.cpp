#include "UnitPrincipale.h"
#include "ui_UnitPrincipale.h"

#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitTest.h"

#include "core/StoredResult.h"
#include "framework/Application.h"

using tarvo::connectHandler;

TFormPrincipale *FormPrincipale = nullptr;

TFormPrincipale::TFormPrincipale()
    : TForm(BorderIcons::None)
    , ui(std::make_unique<Ui::TFormPrincipale>())
{
    ui->setupUi(this);
    finishCreate();

    Processeur = QString::fromLatin1(tarvo::NoProcessorMarker);
    FreqOrigine = -1;
    FreqOverclock = -1;
    CarteMere = QString::fromLatin1(tarvo::NoMotherboardMarker);
    ResultatEntier = -1.0f;
    ResultatFlottant = -1.0f;
    Indice = -1.0f;

    connectHandler(ui->ButtonTester, &QPushButton::clicked, this, &TFormPrincipale::ButtonTesterClick);
    connectHandler(ui->ButtonQuitter, &QPushButton::clicked, this, &TFormPrincipale::ButtonQuitterClick);
    connectHandler(ui->ButtonConsulter, &QPushButton::clicked, this, &TFormPrincipale::ButtonConsulterClick);
    connectHandler(ui->ButtonComparer, &QPushButton::clicked, this, &TFormPrincipale::ButtonComparerClick);
}

TFormPrincipale::~TFormPrincipale() = default;

void TFormPrincipale::ButtonTesterClick()
{
    // The whole test runs inside the test window's activation, so when the first
    // call returns the results are in the record and the entry window is shown.
    FormTest->setVisible(true);
    FormTest->setVisible(false);
}

void TFormPrincipale::ButtonQuitterClick()
{
    Close();
}

void TFormPrincipale::ButtonConsulterClick()
{
    FormConsulter->setVisible(true);
}

void TFormPrincipale::ButtonComparerClick()
{
    FormComparer->setVisible(true);
}
