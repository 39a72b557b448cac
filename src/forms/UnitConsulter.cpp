#include "UnitConsulter.h"
#include "ui_UnitConsulter.h"

#include "UnitDetails.h"

#include "framework/Application.h"

#include <filesystem>
#include <string>
#include <system_error>

using tarvo::connectHandler;

TFormConsulter *FormConsulter = nullptr;

namespace {

// The results file, as the working directory held it when the window was created.
std::string CheminDonnees;

// The results file in the working directory, whatever the directory's length.
// Should the directory be gone, the bare name still names the same file.
std::string cheminResultats()
{
    std::error_code error;
    return (std::filesystem::current_path(error) / "TARVODAT.TXT").string();
}

} // namespace

TFormConsulter::TFormConsulter()
    : TForm(BorderIcons::SystemMenu)
    , ui(std::make_unique<Ui::TFormConsulter>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };
    connectHandler(ui->ButtonDetails, &QPushButton::clicked, this, &TFormConsulter::ButtonDetailsClick);
    FormCreate();
}

TFormConsulter::~TFormConsulter() = default;

void TFormConsulter::FormCreate()
{
    CheminDonnees = cheminResultats();
}

void TFormConsulter::FormActivate()
{
    Refresh();
    // A missing file throws here: the list keeps its items and the message is shown.
    ui->ListDonnees->LoadFromFile(CheminDonnees);
    ui->ListDonnees->repaint();
}

void TFormConsulter::ButtonDetailsClick()
{
    FormDetails->setVisible(true);
}
