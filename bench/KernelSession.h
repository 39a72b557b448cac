// The kernel benchmark's run of the speed test (KernelBench.cpp): without a
// window or by a press of "Tester", through a clock that notes, beside each
// reading of the process clock, the wall time and the cycle count, and that
// runs the probes (Probes.h) before kernels 3 and 5, outside the timed
// intervals; then the figures of the run drawn from those notes.
#pragma once

#include "Probes.h"

#include "core/Kernels.h"
#include "core/SpeedTest.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#if defined(__linux__)
#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tarvo::bench {

using WallClock = std::chrono::steady_clock;

struct Reading {
    std::clock_t cpu;
    WallClock::time_point wall;
    std::uint64_t cycles;
};


// A user-space cycle counter for this process, or none.
class CycleCounter {
public:
    CycleCounter()
    {
#if defined(__linux__)
        perf_event_attr attr{};
        attr.type = PERF_TYPE_HARDWARE;
        attr.size = sizeof attr;
        attr.config = PERF_COUNT_HW_CPU_CYCLES;
        attr.exclude_kernel = 1;
        attr.exclude_hv = 1;
        fd_ = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
#endif
    }
    ~CycleCounter()
    {
#if defined(__linux__)
        if (fd_ >= 0)
            close(fd_);
#endif
    }
    CycleCounter(const CycleCounter &) = delete;
    CycleCounter &operator=(const CycleCounter &) = delete;

    bool available() const { return fd_ >= 0; }

    std::uint64_t read() const
    {
        std::uint64_t value = 0;
#if defined(__linux__)
        if (fd_ >= 0 && ::read(fd_, &value, sizeof value) != static_cast<ssize_t>(sizeof value))
            value = 0;
#endif
        return value;
    }

private:
    int fd_ = -1;
};


// Notes when a window is shown: the test ends where the entry window appears,
// before that window's own work (its history files) begins.
class ShowWatch : public QObject {
public:
    WallClock::time_point shownAt{};

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            shownAt = WallClock::now();
        return false;
    }
};


inline double seconds(WallClock::duration d)
{
    return std::chrono::duration<double>(d).count();
}


// What one run gave: its scores, times and clock, whether it was disturbed,
// and per repetition of each kernel its time, cycles per step at the measured
// clock and counted cycles per step.
struct RunFigures {
    tarvo::Scores scores{};
    double total = 0, outside = 0, clockHz = 0, slowest34 = 0;
    tarvo::bench::ProbeReading before, after;
    bool disturbed = true;
    bool missedByProbes = false; // disturbed, though both probe sets were clean
    std::array<double, 8 * tarvo::Repetitions> ms{}, cyclesPerStep{}, counted{};
};


// The speed test, run without a window or by a press of "Tester", through a
// clock that notes, beside each reading of the process clock, the wall time
// and the cycle count, and runs the probes before kernels 3 and 5.
class Session {
public:
    explicit Session(bool window) : window_(window) {}

    // The application and its windows, their files in a scratch directory.
    bool setUpWindows(int &argc, char *argv[]);
    // Runs the test once; false when the noted readings are not the test's.
    bool run(int number, RunFigures &figures);
    void tearDown();

    bool probes() const { return probes_; }
    bool window() const { return window_; }
    const CycleCounter &cycleCounter() const { return cycleCounter_; }

private:
    tarvo::Clock notingClock();
    tarvo::TestRun runTest(WallClock::time_point &end);
    void analyse(const tarvo::TestRun &test, RunFigures &f) const;
    int done() const;
    tarvo::bench::ProbeReading probe()
    {
        const WallClock::time_point begin = WallClock::now();
        const tarvo::bench::ProbeReading r = tarvo::bench::ReadProbes(tarvo::bench::RunProbes());
        probeWall_ += seconds(WallClock::now() - begin);
        return r;
    }

    const bool window_;
    const CycleCounter cycleCounter_;
    const bool probes_ = tarvo::bench::ProbesAvailable();
    const tarvo::Clock processClock_ = tarvo::ProcessClock();
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<QTemporaryDir> scratch_;
    ShowWatch entryShown_;
    // The wrapper notes its readings; the figures per repetition come from the
    // readings the speed test itself returns, which these notes must match.
    std::vector<Reading> notes_;
    tarvo::bench::ProbeReading probeBefore_, probeAfter_;
    bool probedBefore_ = false, probedAfter_ = false, atStart_ = true;
    double probeWall_ = 0.0;
    // How many kernels are done: told by the speed test without a window, and
    // by the test window's progress bar, which counts them, with one.
    int kernelsDone_ = 0;
};


} // namespace tarvo::bench
