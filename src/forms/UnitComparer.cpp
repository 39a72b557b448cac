#include "UnitComparer.h"
#include "ui_UnitComparer.h"

#include "UnitDetails.h"
#include "UnitGraphique.h"
#include "UnitPrincipale.h"

#include "core/Conversions.h"
#include "core/StoredResult.h"
#include "framework/Application.h"

#include <string>

using tarvo::connectHandler;
using tarvo::FormatFloat;

TFormComparer *FormComparer = nullptr;

namespace {

// The results file, as the working directory held it at the last activation.
std::string CheminDonnees;

} // namespace

TFormComparer::TFormComparer()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormComparer>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };
    connectHandler(ui->ButtonDetails, &QPushButton::clicked, this, &TFormComparer::ButtonDetailsClick);
    OfferGraphique(this, ui->ListDonnees);
}

TFormComparer::~TFormComparer() = default;

void TFormComparer::FormActivate()
{
    CheminDonnees = tarvo::DataFilePath(tarvo::ResultsFileName);
    // The window is refreshed and its row set while the file is read, so a
    // missing file still shows this machine.
    ui->ListDonnees->LoadFromFile(CheminDonnees, [this] {
        Refresh();
        ui->LabelIndice->setText(FormatFloat(FormPrincipale->Indice));
        ui->LabelFlottant->setText(FormatFloat(FormPrincipale->ResultatFlottant));
        ui->LabelEntier->setText(FormatFloat(FormPrincipale->ResultatEntier));
        // The same text as the configuration field of a stored line.
        ui->LabelConfig->setText(tarvo::ConfigurationText(FormPrincipale->Processeur, FormPrincipale->FreqOrigine,
                                                          FormPrincipale->FreqOverclock, FormPrincipale->CarteMere));
    });
    ui->ListDonnees->repaint();
}

void TFormComparer::ButtonDetailsClick()
{
    FormDetails->setVisible(true);
}
