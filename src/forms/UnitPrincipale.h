// The main window: the three things the user can do, a way out, and the
// machine record, the one state shared by the windows. Other windows reach the
// record and the "Comparer" button through FormPrincipale.
#pragma once

#include "framework/Form.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Ui {
class TFormPrincipale;
}

class TFormPrincipale : public tarvo::TForm {
    Q_OBJECT

public:
    TFormPrincipale();
    ~TFormPrincipale() override;

    std::unique_ptr<Ui::TFormPrincipale> ui;

    // The machine record: the markers of core/StoredResult.h and -1 mark a value not entered yet.
    QString Processeur;
    std::int32_t FreqOrigine;
    std::int32_t FreqOverclock;
    QString CarteMere;
    float ResultatEntier;
    float ResultatFlottant;
    float Indice;

    void ButtonTesterClick();
    void ButtonQuitterClick();
    void ButtonConsulterClick();
    void ButtonComparerClick();
};

extern TFormPrincipale *FormPrincipale;
