#include "UnitSaisie.h"
#include "ui_UnitSaisie.h"

#include "UnitPrincipale.h"
#include "ui_UnitPrincipale.h"

#include "core/Conversions.h"
#include "core/FileAppend.h"
#include "core/FileOpening.h"
#include "core/StoredResult.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"

using tarvo::connectHandler;
using tarvo::InputBox;
using tarvo::IntToStr;
using tarvo::StrToInt;
using tarvo::TComboBox;

TFormSaisie *FormSaisie = nullptr;

QString SaisieProcesseur;
std::int32_t SaisieFreqOrigine = 0;
std::int32_t SaisieFreqOverclock = 0;
QString SaisieCarteMere;
QString SaisieTexte;

std::string CheminCPU;
std::string CheminFreqOrigine;
std::string CheminFreqOverclock;
std::string CheminCarteMere;
std::string CheminDonnees;

TFormSaisie::TFormSaisie()
    : TForm(BorderIcons::None)
    , ui(std::make_unique<Ui::TFormSaisie>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };

    connectHandler(ui->ButtonCPU, &QPushButton::clicked, this, &TFormSaisie::ButtonCPUClick);
    connectHandler(ui->ButtonFreqOrigine, &QPushButton::clicked, this, &TFormSaisie::ButtonFreqOrigineClick);
    connectHandler(ui->ButtonFreqOverclock, &QPushButton::clicked, this, &TFormSaisie::ButtonFreqOverclockClick);
    connectHandler(ui->ButtonCarteMere, &QPushButton::clicked, this, &TFormSaisie::ButtonCarteMereClick);
    connectHandler(ui->ButtonOK, &QPushButton::clicked, this, &TFormSaisie::ButtonOKClick);
    connectHandler(ui->ComboCPU, &TComboBox::DropDown, this, &TFormSaisie::ComboCPUDropDown);
    connectHandler(ui->ComboFreqOrigine, &TComboBox::DropDown, this, &TFormSaisie::ComboFreqOrigineDropDown);
    connectHandler(ui->ComboFreqOverclock, &TComboBox::DropDown, this, &TFormSaisie::ComboFreqOverclockDropDown);
    connectHandler(ui->ComboCarteMere, &TComboBox::DropDown, this, &TFormSaisie::ComboCarteMereDropDown);
    connectHandler(ui->ComboCPU, &TComboBox::Change, this, &TFormSaisie::ComboCPUChange);
    connectHandler(ui->ComboFreqOrigine, &TComboBox::Change, this, &TFormSaisie::ComboFreqOrigineChange);
    connectHandler(ui->ComboFreqOverclock, &TComboBox::Change, this, &TFormSaisie::ComboFreqOverclockChange);
    connectHandler(ui->ComboCarteMere, &TComboBox::Change, this, &TFormSaisie::ComboCarteMereChange);

    // The boxes take only what the data files can hold.
    for (TComboBox *box : {ui->ComboCPU, ui->ComboFreqOrigine, ui->ComboFreqOverclock, ui->ComboCarteMere})
        box->setTextCheck(tarvo::LongestText, [](const QString &text) { (void)tarvo::DataText(text); });
}

TFormSaisie::~TFormSaisie() = default;

void TFormSaisie::OpenHistoryLists()
{
    // Every path is built before any file is made.
    using tarvo::DescriptionField;
    CheminCPU = tarvo::DataFilePath(tarvo::HistoryFileName(DescriptionField::Processor));
    CheminFreqOrigine = tarvo::DataFilePath(tarvo::HistoryFileName(DescriptionField::BaseFrequency));
    CheminFreqOverclock = tarvo::DataFilePath(tarvo::HistoryFileName(DescriptionField::OverclockFrequency));
    CheminCarteMere = tarvo::DataFilePath(tarvo::HistoryFileName(DescriptionField::Motherboard));

    // A missing list is made now, so that a drop-down never meets a missing file;
    // nothing stays open: each drop-down reads its file, each entry appends to it.
    tarvo::CreateIfMissing(CheminCPU);
    tarvo::CreateIfMissing(CheminFreqOrigine);
    tarvo::CreateIfMissing(CheminFreqOverclock);
    tarvo::CreateIfMissing(CheminCarteMere);
}

void TFormSaisie::FormActivate()
{
    Refresh();
    OpenHistoryLists();
}

void TFormSaisie::ButtonCPUClick()
{
    const QString answer = InputBox(QStringLiteral("Nouveau processeur"),
                                    QStringLiteral("Veuillez entrer votre processeur :"), QString::fromLatin1(tarvo::NoProcessorMarker),
                                    tarvo::LongestText);
    // A text the files cannot hold is refused before anything changes.
    const QByteArray entry = tarvo::HistoryEntry(answer);
    SaisieProcesseur = answer;
    ui->ComboCPU->setText(SaisieProcesseur);
    tarvo::AppendAnswer(CheminCPU, entry);
}

void TFormSaisie::ButtonFreqOrigineClick()
{
    SaisieTexte = InputBox(QStringLiteral("Nouvelle fréquence d'origine"),
                           QStringLiteral("Veuillez entrer votre fréquence d'origine :"), IntToStr(-1),
                           tarvo::LongestText);
    SaisieFreqOrigine = StrToInt(SaisieTexte);
    ui->ComboFreqOrigine->setText(IntToStr(SaisieFreqOrigine));
    tarvo::AppendAnswer(CheminFreqOrigine, tarvo::HistoryEntry(SaisieFreqOrigine));
}

void TFormSaisie::ButtonFreqOverclockClick()
{
    SaisieTexte = InputBox(QStringLiteral("Nouvelle fréquence d'overclock"),
                           QStringLiteral("Veuillez entrer votre fréquence d'overclock :"), IntToStr(-1),
                           tarvo::LongestText);
    SaisieFreqOverclock = StrToInt(SaisieTexte);
    ui->ComboFreqOverclock->setText(IntToStr(SaisieFreqOverclock));
    tarvo::AppendAnswer(CheminFreqOverclock, tarvo::HistoryEntry(SaisieFreqOverclock));
}

void TFormSaisie::ButtonCarteMereClick()
{
    const QString answer = InputBox(QStringLiteral("Nouvelle carte mère"),
                                    QStringLiteral("Veuillez entrer votre carte mère :"),
                                    QString::fromLatin1(tarvo::NoMotherboardMarker), tarvo::LongestText);
    const QByteArray entry = tarvo::HistoryEntry(answer);
    SaisieCarteMere = answer;
    ui->ComboCarteMere->setText(SaisieCarteMere);
    tarvo::AppendAnswer(CheminCarteMere, entry);
}

void TFormSaisie::ButtonOKClick()
{
    tarvo::ResultRecord record;
    record.Processeur = SaisieProcesseur;
    record.FreqOrigine = SaisieFreqOrigine;
    record.FreqOverclock = SaisieFreqOverclock;
    record.CarteMere = SaisieCarteMere;
    record.ResultatEntier = FormPrincipale->ResultatEntier;
    record.ResultatFlottant = FormPrincipale->ResultatFlottant;
    record.Indice = FormPrincipale->Indice;

    // Each value is copied into the machine record when it and those before it
    // pass; a failing check leaves the earlier copies there and ends silently.
    const auto fault = tarvo::DescriptionRule(record);
    const int passed = fault ? int(fault->field) : 4;
    if (passed > 0)
        FormPrincipale->Processeur = record.Processeur;
    if (passed > 1)
        FormPrincipale->FreqOrigine = record.FreqOrigine;
    if (passed > 2)
        FormPrincipale->FreqOverclock = record.FreqOverclock;
    if (fault)
        return;
    FormPrincipale->CarteMere = record.CarteMere;

    // A line that cannot be stored ends the handler here with the reason shown:
    // the window stays open with its values, so "OK" can be pressed again.
    const QByteArray line = tarvo::ResultLine(record);
    CheminDonnees = tarvo::DataFilePath(tarvo::ResultsFileName);
    tarvo::AppendToFile(CheminDonnees, line);

    FormPrincipale->ui->ButtonComparer->setEnabled(true);
    setVisible(false);
}

void TFormSaisie::ComboCPUDropDown()
{
    ui->ComboCPU->LoadFromFile(CheminCPU);
}

void TFormSaisie::ComboFreqOrigineDropDown()
{
    ui->ComboFreqOrigine->LoadFromFile(CheminFreqOrigine);
}

void TFormSaisie::ComboFreqOverclockDropDown()
{
    ui->ComboFreqOverclock->LoadFromFile(CheminFreqOverclock);
}

void TFormSaisie::ComboCarteMereDropDown()
{
    ui->ComboCarteMere->LoadFromFile(CheminCarteMere);
}

void TFormSaisie::ComboCPUChange()
{
    SaisieProcesseur = ui->ComboCPU->text();
}

void TFormSaisie::ComboFreqOrigineChange()
{
    SaisieFreqOrigine = StrToInt(ui->ComboFreqOrigine->text());
}

void TFormSaisie::ComboFreqOverclockChange()
{
    SaisieFreqOverclock = StrToInt(ui->ComboFreqOverclock->text());
}

void TFormSaisie::ComboCarteMereChange()
{
    SaisieCarteMere = ui->ComboCarteMere->text();
}
