// The test window: runs the speed test while showing its progress.
#pragma once

#include "framework/Form.h"

#include <memory>

namespace Ui {
class TFormTest;
}

class TFormTest : public tarvo::TForm {
    Q_OBJECT

public:
    TFormTest();
    ~TFormTest() override;

    std::unique_ptr<Ui::TFormTest> ui;
};

extern TFormTest *FormTest;
