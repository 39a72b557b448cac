// The kernel benchmark: runs the whole speed test N times (default 10), as the
// test window does but without a window, and prints
//  - per run, the three results, whether the run was clean or disturbed by
//    another thread on the same physical core (Probes.h: two short loops
//    timed just before kernel 3 and just after kernel 4, outside their timed
//    intervals, and the repetitions of kernels 3 and 4 at the clock the
//    probes measured), that clock, and the slowest repetition of kernels 3
//    and 4 in cycles per step;
//  - per kernel, the fastest and the median repetition, in milliseconds, and
//    per inner step in nanoseconds and cycles of the measured clock;
//  - the median and coefficient of variation of the integer result, the
//    floating result and the index, over all runs and over clean runs only;
//  - the share of the test's wall time spent outside the timed intervals
//    (the probes' own time left out).
//
// Every reading the timed run takes goes through a wrapping clock that also
// notes the wall time, the processor time in microseconds and, where the
// kernel lets a process count its own cycles (perf_event_open), the cycle
// count, shown beside the cycles of the measured clock.
//
// With --window, each run is a press of "Tester": the test window's own run,
// with its repaints between kernels, on the Qt platform chosen as usual
// (QT_QPA_PLATFORM=offscreen, or an X server), timed from the press to the
// showing of the entry window; the entry window's files go to a scratch
// directory. Without it, the run is the same speed test without a window and
// needs no display.
//
// With --probes N, only the probes run, N times back to back, and the
// distribution of the throughput probe's cycles per iteration is printed:
// the threshold between clean and disturbed comes from it.
//
// Usage: tarvo_kernel_bench [--window] [runs]
//        tarvo_kernel_bench --probes N
#include "AllForms.h"
#include "Probes.h"
#include "UnitPrincipale.h"
#include "ui_UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"
#include "ui_UnitTest.h"

#include "core/Kernels.h"
#include "core/SpeedTest.h"
#include "framework/Application.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <clocale>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#if defined(__linux__)
#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

using tarvo::bench::Median;
using tarvo::bench::VariationPercent;
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

// The "cpu MHz" of the first processor in /proc/cpuinfo, 0 when unknown:
// printed to show how far it is from the measured clock, never used.
double cpuinfoMHz()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("cpu MHz", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos)
                return std::atof(line.c_str() + colon + 1);
        }
    }
    return 0.0;
}

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

double seconds(WallClock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The probes alone, back to back: the distribution that sets the threshold.
int probesOnly(int sets)
{
    if (!tarvo::bench::ProbesAvailable()) {
        std::printf("no probes on this processor\n");
        return 1;
    }
    std::vector<double> clocks, cycles;
    std::map<int, int> histogram; // hundredths of a cycle per iteration, by 0.05
    for (int s = 0; s < sets; ++s) {
        const tarvo::bench::ProbeReading r = tarvo::bench::ReadProbes(tarvo::bench::RunProbes());
        clocks.push_back(r.clockHz);
        cycles.push_back(r.throughputCycles);
        ++histogram[5 * static_cast<int>(std::floor(r.throughputCycles * 20.0))];
    }
    const auto off = std::count_if(cycles.begin(), cycles.end(),
                                   [](double c) { return !tarvo::bench::AtOneCycle(c); });
    std::printf("%d probe sets: clock median %.3f GHz (min %.3f, max %.3f)\n", sets, Median(clocks) / 1e9,
                *std::min_element(clocks.begin(), clocks.end()) / 1e9,
                *std::max_element(clocks.begin(), clocks.end()) / 1e9);
    std::printf("throughput probe, cycles per iteration (1.00 on a core of its own):\n");
    for (const auto &[bin, count] : histogram)
        std::printf("  %.2f-%.2f  %5d  %s\n", bin / 100.0, (bin + 5) / 100.0, count,
                    std::string(static_cast<std::size_t>(std::min(count, 60)), '#').c_str());
    std::printf("outside %.2f-%.2f (disturbed): %lld of %d\n", 1.0 / tarvo::bench::disturbedAbove,
                tarvo::bench::disturbedAbove, static_cast<long long>(off), sets);
    return 0;
}

// Median and CV of one result, or dashes without values.
void printSpread(const char *name, const std::vector<double> &all, const std::vector<double> &clean)
{
    std::printf("%-16s %10.2f  %6.2f", name, Median(all), VariationPercent(all));
    if (clean.empty())
        std::printf("  %10s  %6s\n", "-", "-");
    else
        std::printf("  %10.2f  %6.2f\n", Median(clean), VariationPercent(clean));
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 10;
    bool window = false;
    const auto usage = [&] {
        std::fprintf(stderr,
                     "usage: %s [--window] [runs]   (runs >= 1, default 10)\n"
                     "       %s --probes N          (N >= 1 probe sets alone)\n",
                     argv[0], argv[0]);
        return 2;
    };
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--window") {
            window = true;
        } else if (arg == "--probes") {
            const int sets = a + 1 < argc ? std::atoi(argv[a + 1]) : 0;
            return sets >= 1 ? probesOnly(sets) : usage();
        } else {
            runs = std::atoi(argv[a]);
            if (runs < 1)
                return usage();
        }
    }

    std::unique_ptr<QApplication> application;
    std::unique_ptr<QTemporaryDir> scratch;
    ShowWatch entryShown;
    if (window) {
        application = std::make_unique<QApplication>(argc, argv);
        // QApplication adopts the desktop's locale; the figures keep their points.
        std::setlocale(LC_NUMERIC, "C");
        // The entry window creates its history files in the working directory.
        scratch = std::make_unique<QTemporaryDir>();
        if (!scratch->isValid() || !QDir::setCurrent(scratch->path())) {
            std::fprintf(stderr, "no scratch directory for the entry window's files\n");
            return 1;
        }
        tarvo::TApplication::Initialize();
        CreateAllForms();
        FormSaisie->installEventFilter(&entryShown);
        FormPrincipale->setVisible(true);
    }

    const CycleCounter cycleCounter;
    const bool probes = tarvo::bench::ProbesAvailable();

    // The wrapper below notes, beside each reading of the process clock, the
    // wall time and the cycle count; the figures per repetition come from the
    // readings the speed test itself returns, which these notes must match.
    std::vector<Reading> notes;
    notes.reserve(2 * 8 * tarvo::Repetitions);
    tarvo::bench::ProbeReading probeBefore, probeAfter;
    bool probedBefore = false, probedAfter = false;
    double probeWall = 0.0;
    const auto probe = [&] {
        const WallClock::time_point begin = WallClock::now();
        const tarvo::bench::ProbeReading r = tarvo::bench::ReadProbes(tarvo::bench::RunProbes());
        probeWall += seconds(WallClock::now() - begin);
        return r;
    };
    // How many kernels are done: told by the speed test without a window, and
    // by the test window's progress bar, which counts them, with one.
    int kernelsDone = 0;
    const auto done = [&] { return window ? FormTest->ui->ProgressBar->value() : kernelsDone; };

    const tarvo::Clock processClock = tarvo::ProcessClock();
    // A repetition is read at its start, then at its end. The wrapper notes its
    // own readings after the process clock's at a start and before it at an
    // end, so that the noted intervals lie within the timed ones. The probes
    // run before the first start of kernel 3 and of kernel 5, outside them.
    bool atStart = true;
    tarvo::Clock clock{[&]() -> std::int64_t {
                           Reading r{};
                           if (atStart) {
                               if (probes && !probedBefore && done() == 2) {
                                   probeBefore = probe();
                                   probedBefore = true;
                               }
                               if (probes && !probedAfter && done() == 4) {
                                   probeAfter = probe();
                                   probedAfter = true;
                               }
                               r.cpu = static_cast<std::clock_t>(processClock.read());
                               r.wall = WallClock::now();
                               r.cycles = cycleCounter.read();
                           } else {
                               r.cycles = cycleCounter.read();
                               r.wall = WallClock::now();
                               r.cpu = static_cast<std::clock_t>(processClock.read());
                           }
                           atStart = !atStart;
                           notes.push_back(r);
                           return r.cpu;
                       },
                       processClock.perSecond};

    if (window)
        Horloge = clock;

    std::printf("Kernel benchmark: %d run(s) of the whole speed test%s\n", runs,
                window ? ", each a press of \"Tester\" in the test window" : ", without a window");
    std::printf("Kernel addresses modulo 64:");
    for (const tarvo::Kernel &kernel : tarvo::Kernels)
        std::printf(" %u", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(kernel.repetition) % 64));
    std::printf("\n\n");

    // Per kernel, one value per repetition of every run, and whether that run was clean.
    std::vector<std::vector<double>> repetitionMs(8), repetitionCycles(8), countedCycles(8);
    std::vector<std::vector<bool>> repetitionClean(8);
    std::vector<double> entier, flottant, indice, outsideShare, clocks;
    std::vector<double> cleanEntier, cleanFlottant, cleanIndice, cleanClocks;
    double fastestProbe = 0.0;
    int missedByProbes = 0; // disturbed runs whose probes were both clean

    std::printf("run  integer   floating  index     wall s  outside %%  clock GHz  probe c/it  "
                "k3-4 c/step  run\n");
    for (int run = 1; run <= runs; ++run) {
        notes.clear();
        probeBefore = probeAfter = {};
        probedBefore = probedAfter = false;
        atStart = true;
        kernelsDone = 0;
        probeWall = 0.0;
        const WallClock::time_point begin = WallClock::now();
        tarvo::TestRun test{};
        WallClock::time_point end;
        if (window) {
            entryShown.shownAt = {};
            DernierTest = {};
            FormPrincipale->ui->ButtonTester->click();
            end = entryShown.shownAt;
            test = DernierTest;
        } else {
            test = tarvo::RunSpeedTest(clock, [&](int k) { kernelsDone = k; });
            end = WallClock::now();
        }
        const tarvo::Scores scores = test.scores;
        if (window) {
            FormSaisie->setVisible(false);
            QCoreApplication::processEvents();
        }
        // The notes, in the order the clock was read, against the test's own readings.
        std::size_t next = 0;
        bool matched = notes.size() == 2 * 8 * tarvo::Repetitions;
        for (const tarvo::KernelTiming &kernel : test.kernels)
            for (const tarvo::ClockReadings &reading : kernel.readings) {
                matched = matched && notes[next].cpu == reading.start && notes[next + 1].cpu == reading.end;
                next += 2;
            }
        if (!matched) {
            std::fprintf(stderr, "run %d: %zu clock readings noted, not those of the test\n", run, notes.size());
            return 1;
        }

        const double clockHz = probes && probeBefore.clockHz > 0.0 && probeAfter.clockHz > 0.0
                                   ? (probeBefore.clockHz + probeAfter.clockHz) / 2.0
                                   : 0.0;
        double inside = 0.0;
        std::array<double, 8 * tarvo::Repetitions> ms{}, cyclesPerStep{}, counted{};
        std::vector<double> cycles34;
        for (std::size_t k = 0; k < test.kernels.size(); ++k) {
            const auto steps = static_cast<double>(tarvo::Kernels[k].innerSteps);
            for (std::size_t rep = 0; rep < tarvo::Repetitions; ++rep) {
                const std::size_t i = k * tarvo::Repetitions + rep;
                const tarvo::ClockReadings &reading = test.kernels[k].readings[rep];
                const Reading &a = notes[2 * i];
                const Reading &b = notes[2 * i + 1];
                inside += seconds(b.wall - a.wall);
                ms[i] = 1000.0 * static_cast<double>(reading.end - reading.start)
                    / static_cast<double>(processClock.perSecond);
                cyclesPerStep[i] = ms[i] * 1e-3 * clockHz / steps;
                counted[i] = static_cast<double>(b.cycles - a.cycles) / steps;
                if (k == 2 || k == 3)
                    cycles34.push_back(cyclesPerStep[i]);
            }
        }
        const bool disturbed = !probes || tarvo::bench::Disturbed(probeBefore, probeAfter, cycles34);
        if (probes && disturbed && !tarvo::bench::Disturbed(probeBefore, probeAfter, {}))
            ++missedByProbes;
        for (std::size_t r = 0; r < ms.size(); ++r) {
            repetitionMs[r / tarvo::Repetitions].push_back(ms[r]);
            repetitionCycles[r / tarvo::Repetitions].push_back(cyclesPerStep[r]);
            countedCycles[r / tarvo::Repetitions].push_back(counted[r]);
            repetitionClean[r / tarvo::Repetitions].push_back(!disturbed);
        }
        const double slowest34 = *std::max_element(cycles34.begin(), cycles34.end());
        const double total = seconds(end - begin) - probeWall;
        const double outside = total > 0.0 ? 100.0 * (total - inside) / total : 0.0;

        entier.push_back(scores.entier);
        flottant.push_back(scores.flottant);
        indice.push_back(scores.indice);
        outsideShare.push_back(outside);
        if (clockHz > 0.0)
            clocks.push_back(clockHz);
        for (const double c : {probeBefore.throughputCycles, probeAfter.throughputCycles})
            if (c > 0.0 && (fastestProbe == 0.0 || c < fastestProbe))
                fastestProbe = c;
        if (!disturbed) {
            cleanEntier.push_back(scores.entier);
            cleanFlottant.push_back(scores.flottant);
            cleanIndice.push_back(scores.indice);
            cleanClocks.push_back(clockHz);
        }
        std::printf("%3d  %8.2f  %8.2f  %8.2f  %7.3f  %8.4f", run, scores.entier, scores.flottant, scores.indice,
                    total, outside);
        if (probes)
            std::printf("  %9.3f  %4.2f %4.2f  %11.2f  %s\n", clockHz / 1e9, probeBefore.throughputCycles,
                        probeAfter.throughputCycles, slowest34, disturbed ? "disturbed" : "clean");
        else
            std::printf("\n");
    }

    // One kernel's values of the clean runs, or of the disturbed ones.
    const auto ofRuns = [&](std::size_t k, const std::vector<double> &values, bool clean) {
        std::vector<double> kept;
        for (std::size_t i = 0; i < values.size(); ++i)
            if (repetitionClean[k][i] == clean)
                kept.push_back(values[i]);
        return kept;
    };
    const auto medianOrDash = [](const std::vector<double> &values, const char *format) {
        values.empty() ? std::printf("  %9s", "-") : std::printf(format, Median(values));
    };

    std::printf("\n        ms per repetition                  ns/step   cycles per step (measured clock)%s\n",
                cycleCounter.available() ? "      counted" : "");
    std::printf("kernel     min  median      clean  disturbed   median  clean min     clean  disturbed%s"
                "  steps/rep\n",
                cycleCounter.available() ? "   median" : "");
    for (std::size_t k = 0; k < 8; ++k) {
        const auto steps = static_cast<double>(tarvo::Kernels[k].innerSteps);
        std::printf("%6zu  %6.2f  %6.2f", k + 1, *std::min_element(repetitionMs[k].begin(), repetitionMs[k].end()),
                    Median(repetitionMs[k]));
        medianOrDash(ofRuns(k, repetitionMs[k], true), "  %9.2f");
        medianOrDash(ofRuns(k, repetitionMs[k], false), "  %9.2f");
        std::printf("  %7.3f", Median(repetitionMs[k]) * 1e6 / steps);
        if (probes) {
            // A disturbed run's clock may be off: its fastest repetition says little.
            const std::vector<double> clean = ofRuns(k, repetitionCycles[k], true);
            clean.empty() ? std::printf("  %8s", "-")
                          : std::printf("  %8.2f", *std::min_element(clean.begin(), clean.end()));
            medianOrDash(clean, "  %9.2f");
            medianOrDash(ofRuns(k, repetitionCycles[k], false), "  %9.2f");
        } else {
            std::printf("  %8s  %9s  %9s", "-", "-", "-");
        }
        if (cycleCounter.available())
            std::printf("  %7.2f", Median(countedCycles[k]));
        std::printf("  %9lld\n", static_cast<long long>(tarvo::Kernels[k].innerSteps));
    }
    std::printf("(clean and disturbed: medians over the repetitions of the clean runs, and of the disturbed ones)\n");

    const auto cleanRuns = static_cast<int>(cleanEntier.size());
    std::printf("\n");
    if (probes)
        std::printf("%d run(s): %d clean, %d disturbed (off one cycle per iteration by more than a factor %.2f: "
                    "the throughput probe before kernel 3 or after kernel 4 in %d, a repetition of kernel 3 or 4 "
                    "alone in %d)\n",
                    runs, cleanRuns, runs - cleanRuns, tarvo::bench::disturbedAbove,
                    runs - cleanRuns - missedByProbes, missedByProbes);
    else
        std::printf("%d run(s), not classified: no probes on this processor\n", runs);
    if (probes && fastestProbe > tarvo::bench::disturbedAbove)
        std::printf("no probe set ran near one cycle per iteration (fastest %.2f): every run was disturbed, "
                    "or this processor does not run kernel 3's loop at one step per cycle\n",
                    fastestProbe);
    std::printf("                    all runs              clean runs\n");
    std::printf("                     median    CV %%      median    CV %%\n");
    printSpread("integer result", entier, cleanEntier);
    printSpread("floating result", flottant, cleanFlottant);
    printSpread("index", indice, cleanIndice);

    if (probes) {
        std::printf("\nclock (latency probe, %g dependent additions): median %.3f GHz over all runs",
                    tarvo::bench::latencyCyclesPerIteration, Median(clocks) / 1e9);
        if (!cleanClocks.empty())
            std::printf(", %.3f over clean runs", Median(cleanClocks) / 1e9);
        std::printf("\n");
    }
    const double mhz = cpuinfoMHz();
    if (mhz > 0.0)
        std::printf("\"cpu MHz\" in /proc/cpuinfo: %.0f (not used)\n", mhz);
    std::printf(cycleCounter.available()
                    ? "counted: cycles counted by the processor (perf_event_open, user space)\n"
                    : "no processor cycle counter for this process (perf_event_open)\n");
    std::printf("outside timed intervals: median %.4f %% of the test's wall time, at most %.4f %% "
                "(the probes' own time left out)\n",
                Median(outsideShare), *std::max_element(outsideShare.begin(), outsideShare.end()));
    if (window)
        tarvo::TApplication::DestroyForms();
    return 0;
}
