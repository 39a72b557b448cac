// The comparison window: this machine's result above every stored one.
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
};

extern TFormComparer *FormComparer;
