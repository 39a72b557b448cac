#include "UnitConsulter.h"
#include "ui_UnitConsulter.h"

#include "UnitDetails.h"
#include "UnitGraphique.h"

#include "core/DataFiles.h"
#include "framework/Application.h"

#include <string>

using tarvo::connectHandler;

TFormConsulter *FormConsulter = nullptr;

namespace {

// The results file, as the working directory held it when the window was created.
std::string CheminDonnees;

} // namespace

TFormConsulter::TFormConsulter()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormConsulter>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };
    connectHandler(ui->ButtonDetails, &QPushButton::clicked, this, &TFormConsulter::ButtonDetailsClick);
    OfferGraphique(this, ui->ListDonnees);
    tarvo::TApplication::Invoke([this] { FormCreate(); });
}

TFormConsulter::~TFormConsulter() = default;

void TFormConsulter::FormCreate()
{
    CheminDonnees = tarvo::DataFilePath(tarvo::ResultsFileName);
}

void TFormConsulter::FormActivate()
{
    // A missing file throws here: the list keeps its items and the message is
    // shown. The window is refreshed while the file is read.
    ui->ListDonnees->LoadFromFile(CheminDonnees, [this] { Refresh(); });
    ui->ListDonnees->repaint();
}

void TFormConsulter::ButtonDetailsClick()
{
    FormDetails->setVisible(true);
}
