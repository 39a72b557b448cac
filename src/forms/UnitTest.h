// The test window: shows a notice and a progress bar while its activation runs
// the speed test (core/SpeedTest.h), then writes the three results into the
// machine record (FormPrincipale) and shows the entry window (FormSaisie).
#pragma once

#include "core/SpeedTest.h"
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

    void FormActivate();
};

extern TFormTest *FormTest;

// The clock the test run reads: the process's processor time. Tests put a
// clock of their own here to feed the timed runs the ticks they choose.
extern tarvo::Clock Horloge;

// The latest test run, every clock reading included: what the kernel benchmark
// reads after a press of "Tester".
extern tarvo::TestRun DernierTest;

// The kernels the test runs: the real ones; tests put one that computes wrong.
extern std::array<tarvo::Kernel, 8> Noyaux;
