// The stored results window: every line of the results file, sorted by index,
// under a column header. It only reads the file, reloading it whole each time
// the window becomes active; "Détails" shows the shared column explanation.
#pragma once

#include "framework/Form.h"

#include <memory>

namespace Ui {
class TFormConsulter;
}

class TFormConsulter : public tarvo::TForm {
    Q_OBJECT

public:
    TFormConsulter();
    ~TFormConsulter() override;

    std::unique_ptr<Ui::TFormConsulter> ui;

    void FormCreate();
    void FormActivate();
    void ButtonDetailsClick();
};

extern TFormConsulter *FormConsulter;
