// The comparison window: the machine record (FormPrincipale) as one row of
// labels above every line of the results file. Row and list are recomputed each
// time the window becomes active; "Détails" shows the shared column explanation.
#pragma once

#include "framework/Form.h"

#include <memory>

namespace Ui {
class TFormComparer;
}

class TFormComparer : public tarvo::TForm {
    Q_OBJECT

public:
    TFormComparer();
    ~TFormComparer() override;

    std::unique_ptr<Ui::TFormComparer> ui;

    void FormActivate();
    void ButtonDetailsClick();
};

extern TFormComparer *FormComparer;
