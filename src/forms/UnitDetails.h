// The column explanation window shared by both viewing windows.
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
};

extern TFormDetails *FormDetails;
