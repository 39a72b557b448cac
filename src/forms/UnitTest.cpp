#include "UnitTest.h"
#include "ui_UnitTest.h"

#include "UnitPrincipale.h"
#include "UnitSaisie.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/BusyCursor.h"
#include "framework/WindowSystem.h"

TFormTest *FormTest = nullptr;
tarvo::Clock Horloge = tarvo::ProcessClock();
tarvo::TestRun DernierTest{};
std::array<tarvo::Kernel, 8> Noyaux = tarvo::Kernels;

TFormTest::TFormTest()
    : TForm(BorderIcons::None)
    , ui(std::make_unique<Ui::TFormTest>())
{
    ui->setupUi(this);
    finishCreate();
    OnActivate = [this] { FormActivate(); };
}

TFormTest::~TFormTest() = default;

void TFormTest::FormActivate()
{
    // The loop stays blocked until the test ends: the window must be on screen
    // and painted now, and the bar repainted at once after each kernel, or the
    // user would see nothing. No user input is taken meanwhile.
    FormTest->Refresh();
    tarvo::TestRun run;
    {
        // Whatever ends the run (a kernel too fast to be timed throws), the
        // cursor comes back.
        const tarvo::HourglassCursor hourglass;
        // A progress bar repaints itself at once when its value changes by a
        // visible step, as every step of this one does (one eighth of it);
        // another repaint would only double the time spent between kernels.
        // The window system gets each repaint before the next kernel starts.
        ui->ProgressBar->setValue(0);
        tarvo::FlushWindowSystem();
        run = tarvo::RunSpeedTest(
            Horloge,
            [this](int) {
                ui->ProgressBar->setValue(ui->ProgressBar->value() + 1);
                tarvo::FlushWindowSystem();
            },
            Noyaux);
        DernierTest = run;
        // A machine that computed wrong keeps its previous results and gets
        // no entry window: nothing of this run may be recorded.
        if (!run.valid())
            throw tarvo::Exception(tarvo::WrongComputation(run));
        FormPrincipale->ResultatEntier = run.scores.entier;
        FormPrincipale->ResultatFlottant = run.scores.flottant;
        FormPrincipale->Indice = run.scores.indice;
    }
    FormSaisie->setVisible(true);
}
