// The column explanation window: fixed texts on the four columns of the stored
// lines and of the comparison row. One instance serves both viewing windows;
// "OK" hides it, which hands the activation back to the window under it.
#pragma once

#include "framework/Form.h"

#include <memory>

namespace Ui {
class TFormDetails;
}

class TFormDetails : public tarvo::TForm {
    Q_OBJECT

public:
    TFormDetails();
    ~TFormDetails() override;

    std::unique_ptr<Ui::TFormDetails> ui;

    void ButtonOKClick();
};

extern TFormDetails *FormDetails;
