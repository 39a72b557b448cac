#include "UnitComparer.h"
#include "ui_UnitComparer.h"

#include "UnitDetails.h"
#include "UnitPrincipale.h"

#include "core/Conversions.h"
#include "framework/Application.h"

#include <filesystem>
#include <string>
#include <system_error>

using tarvo::connectHandler;
using tarvo::FormatFloat;
using tarvo::IntToStr;

TFormComparer *FormComparer = nullptr;

namespace {

// The results file, as the working directory held it at the last activation.
std::string CheminDonnees;

// The results file in the working directory, whatever the directory's length.
// Should the directory be gone, the bare name still names the same file.
std::string cheminResultats()
{
    std::error_code error;
    return (std::filesystem::current_path(error) / "TARVODAT.TXT").string();
}

} // namespace

TFormComparer::TFormComparer()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormComparer>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };
    connectHandler(ui->ButtonDetails, &QPushButton::clicked, this, &TFormComparer::ButtonDetailsClick);
}

TFormComparer::~TFormComparer() = default;

void TFormComparer::FormActivate()
{
    Refresh();
    // The row is set before the load, so a missing file still shows this machine.
    ui->LabelIndice->setText(FormatFloat(FormPrincipale->Indice));
    ui->LabelFlottant->setText(FormatFloat(FormPrincipale->ResultatFlottant));
    ui->LabelEntier->setText(FormatFloat(FormPrincipale->ResultatEntier));
    // The same text as the configuration field of a stored line.
    ui->LabelConfig->setText(FormPrincipale->Processeur + QStringLiteral(" ") + IntToStr(FormPrincipale->FreqOrigine)
                             + QStringLiteral(" à ") + IntToStr(FormPrincipale->FreqOverclock)
                             + QStringLiteral("     [CM ") + FormPrincipale->CarteMere + QStringLiteral("]"));
    CheminDonnees = cheminResultats();
    ui->ListDonnees->LoadFromFile(CheminDonnees);
    ui->ListDonnees->repaint();
}

void TFormComparer::ButtonDetailsClick()
{
    FormDetails->setVisible(true);
}
