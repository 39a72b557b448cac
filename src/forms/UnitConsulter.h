// The stored results window: every recorded result, sorted by index.
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
};

extern TFormConsulter *FormConsulter;
