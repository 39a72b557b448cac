// The entry window: after each test the user describes the machine, picking
// earlier entries from the history lists or giving new ones, and "OK" copies
// the description into the machine record (FormPrincipale) and appends the
// results line. The entry state and the data-file paths are unit-level, as
// they outlive every showing of the window. The history lists are files read
// by path at each drop-down and appended to by each new entry; no file is held
// open between two handlers.
#pragma once

#include "framework/Form.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace Ui {
class TFormSaisie;
}

class TFormSaisie : public tarvo::TForm {
    Q_OBJECT

public:
    TFormSaisie();
    ~TFormSaisie() override;

    std::unique_ptr<Ui::TFormSaisie> ui;

    void ButtonCPUClick();
    void ButtonFreqOrigineClick();
    void ButtonFreqOverclockClick();
    void ButtonCarteMereClick();
    void ButtonOKClick();
    void FormActivate();
    void ComboCPUDropDown();
    void ComboFreqOrigineDropDown();
    void ComboFreqOverclockDropDown();
    void ComboCarteMereDropDown();
    void ComboCPUChange();
    void ComboFreqOrigineChange();
    void ComboFreqOverclockChange();
    void ComboCarteMereChange();

private:
    void OpenHistoryLists();
};

extern TFormSaisie *FormSaisie;

// The entry state: what the user has given so far, never reset.
extern QString SaisieProcesseur;
extern std::int32_t SaisieFreqOrigine;
extern std::int32_t SaisieFreqOverclock;
extern QString SaisieCarteMere;
extern QString SaisieTexte;

// The history lists' paths, rebuilt at each activation, and the results file's,
// rebuilt at each append.
extern std::string CheminCPU;
extern std::string CheminFreqOrigine;
extern std::string CheminFreqOverclock;
extern std::string CheminCarteMere;
extern std::string CheminDonnees;
