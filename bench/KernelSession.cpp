#include "KernelSession.h"

#include "AllForms.h"
#include "UnitPrincipale.h"
#include "ui_UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"
#include "ui_UnitTest.h"

#include "framework/Application.h"

#include <QDir>
#include <QPushButton>

#include <algorithm>
#include <clocale>
#include <cstdio>

namespace tarvo::bench {

void Session::tearDown()
{
    if (window_)
        tarvo::TApplication::DestroyForms();
}

int Session::done() const
{
    return window_ ? FormTest->ui->ProgressBar->value() : kernelsDone_;
}

bool Session::setUpWindows(int &argc, char *argv[])
{
    application_ = std::make_unique<QApplication>(argc, argv);
    // QApplication adopts the desktop's locale; the figures keep their points.
    std::setlocale(LC_NUMERIC, "C");
    // The entry window creates its history files in the working directory.
    scratch_ = std::make_unique<QTemporaryDir>();
    if (!scratch_->isValid() || !QDir::setCurrent(scratch_->path())) {
        std::fprintf(stderr, "no scratch directory for the entry window's files\n");
        return false;
    }
    tarvo::TApplication::Initialize();
    CreateAllForms();
    FormSaisie->installEventFilter(&entryShown_);
    FormPrincipale->setVisible(true);
    Horloge = notingClock();
    return true;
}

// A repetition is read at its start, then at its end. The wrapper notes its
// own readings after the process clock's at a start and before it at an end,
// so that the noted intervals lie within the timed ones. The probes run before
// the first start of kernel 3 and of kernel 5, outside them.
tarvo::Clock Session::notingClock()
{
    return {[this]() -> std::int64_t {
                Reading r{};
                if (atStart_) {
                    if (probes_ && !probedBefore_ && done() == 2) {
                        probeBefore_ = probe();
                        probedBefore_ = true;
                    }
                    if (probes_ && !probedAfter_ && done() == 4) {
                        probeAfter_ = probe();
                        probedAfter_ = true;
                    }
                    r.cpu = static_cast<std::clock_t>(processClock_.read());
                    r.wall = WallClock::now();
                    r.cycles = cycleCounter_.read();
                } else {
                    r.cycles = cycleCounter_.read();
                    r.wall = WallClock::now();
                    r.cpu = static_cast<std::clock_t>(processClock_.read());
                }
                atStart_ = !atStart_;
                notes_.push_back(r);
                return r.cpu;
            },
            processClock_.perSecond};
}

tarvo::TestRun Session::runTest(WallClock::time_point &end)
{
    if (!window_) {
        const tarvo::TestRun test = tarvo::RunSpeedTest(notingClock(), [&](int k) { kernelsDone_ = k; });
        end = WallClock::now();
        return test;
    }
    // From the press until the entry window shows, before its own work begins.
    entryShown_.shownAt = {};
    DernierTest = {};
    FormPrincipale->ui->ButtonTester->click();
    end = entryShown_.shownAt;
    const tarvo::TestRun test = DernierTest;
    FormSaisie->setVisible(false);
    QCoreApplication::processEvents();
    return test;
}

bool Session::run(int number, RunFigures &f)
{
    notes_.clear();
    notes_.reserve(2 * 8 * tarvo::Repetitions);
    probeBefore_ = probeAfter_ = {};
    probedBefore_ = probedAfter_ = false;
    atStart_ = true;
    kernelsDone_ = 0;
    probeWall_ = 0.0;
    const WallClock::time_point begin = WallClock::now();
    WallClock::time_point end;
    const tarvo::TestRun test = runTest(end);
    // The notes, in the order the clock was read, against the test's own readings.
    std::size_t next = 0;
    bool matched = notes_.size() == 2 * 8 * tarvo::Repetitions;
    for (const tarvo::KernelTiming &kernel : test.kernels)
        for (const tarvo::ClockReadings &reading : kernel.readings) {
            matched = matched && notes_[next].cpu == reading.start && notes_[next + 1].cpu == reading.end;
            next += 2;
        }
    if (!matched) {
        std::fprintf(stderr, "run %d: %zu clock readings noted, not those of the test\n", number, notes_.size());
        return false;
    }
    f.scores = test.scores;
    f.total = seconds(end - begin) - probeWall_;
    f.before = probeBefore_;
    f.after = probeAfter_;
    analyse(test, f);
    return true;
}

void Session::analyse(const tarvo::TestRun &test, RunFigures &f) const
{
    f.clockHz = probes_ && f.before.clockHz > 0.0 && f.after.clockHz > 0.0
                    ? (f.before.clockHz + f.after.clockHz) / 2.0
                    : 0.0;
    double inside = 0.0;
    std::vector<double> cycles34;
    for (std::size_t k = 0; k < test.kernels.size(); ++k) {
        const auto steps = static_cast<double>(tarvo::Kernels[k].innerSteps);
        for (std::size_t rep = 0; rep < tarvo::Repetitions; ++rep) {
            const std::size_t i = k * tarvo::Repetitions + rep;
            const tarvo::ClockReadings &reading = test.kernels[k].readings[rep];
            const Reading &a = notes_[2 * i];
            const Reading &b = notes_[2 * i + 1];
            inside += seconds(b.wall - a.wall);
            f.ms[i] = 1000.0 * static_cast<double>(reading.end - reading.start)
                / static_cast<double>(processClock_.perSecond);
            f.cyclesPerStep[i] = f.ms[i] * 1e-3 * f.clockHz / steps;
            f.counted[i] = static_cast<double>(b.cycles - a.cycles) / steps;
            if (k == 2 || k == 3)
                cycles34.push_back(f.cyclesPerStep[i]);
        }
    }
    f.disturbed = !probes_ || tarvo::bench::Disturbed(f.before, f.after, cycles34);
    f.missedByProbes = probes_ && f.disturbed && !tarvo::bench::Disturbed(f.before, f.after, {});
    f.slowest34 = *std::max_element(cycles34.begin(), cycles34.end());
    f.outside = f.total > 0.0 ? 100.0 * (f.total - inside) / f.total : 0.0;
}


} // namespace tarvo::bench
