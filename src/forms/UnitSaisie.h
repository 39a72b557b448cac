// The entry window: the user describes the machine after a test.
#pragma once

#include "framework/Form.h"

#include <memory>

namespace Ui {
class TFormSaisie;
}

class TFormSaisie : public tarvo::TForm {
    Q_OBJECT

public:
    TFormSaisie();
    ~TFormSaisie() override;

    std::unique_ptr<Ui::TFormSaisie> ui;
};

extern TFormSaisie *FormSaisie;
