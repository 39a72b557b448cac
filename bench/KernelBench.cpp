// The kernel benchmark: runs the whole speed test N times (default 10), as the
// test window does but without a window, and prints
//  - per kernel, the median time of one repetition, in milliseconds, and per
//    inner step in nanoseconds and processor cycles;
//  - across the runs, the median and coefficient of variation of the integer
//    result, the floating result and the index;
//  - the share of the test's wall time spent outside the timed intervals.
//
// Every reading the timed run takes goes through a wrapping clock that also
// notes the wall time, the processor time in microseconds and, where the
// kernel lets a process count its own cycles (perf_event_open), the cycle
// count; without that counter, cycles are estimated from the clock frequency
// in /proc/cpuinfo, and the output says which.
//
// With --window, each run is a press of "Tester": the test window's own run,
// with its repaints between kernels, on the Qt platform chosen as usual
// (QT_QPA_PLATFORM=offscreen, or an X server), timed from the press to the
// showing of the entry window; the entry window's files go to a scratch
// directory. Without it, the run is the same speed test without a window and
// needs no display.
//
// Usage: tarvo_kernel_bench [--window] [runs]
#include "AllForms.h"
#include "UnitPrincipale.h"
#include "ui_UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"

#include "core/Kernels.h"
#include "core/SpeedTest.h"
#include "framework/Application.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <clocale>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#if defined(__linux__)
#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

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

// The "cpu MHz" of the first processor in /proc/cpuinfo, 0 when unknown.
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

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Sample standard deviation over the mean, in percent.
double variationPercent(const std::vector<double> &values)
{
    if (values.size() < 2)
        return 0.0;
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double squares = 0.0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    const double deviation = std::sqrt(squares / static_cast<double>(values.size() - 1));
    return mean != 0.0 ? 100.0 * deviation / mean : 0.0;
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

} // namespace

int main(int argc, char *argv[])
{
    int runs = 10;
    bool window = false;
    for (int a = 1; a < argc; ++a) {
        if (std::string(argv[a]) == "--window") {
            window = true;
        } else {
            runs = std::atoi(argv[a]);
            if (runs < 1) {
                std::fprintf(stderr, "usage: %s [--window] [runs]   (runs >= 1, default 10)\n", argv[0]);
                return 2;
            }
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
    const double mhz = cpuinfoMHz();

    std::vector<Reading> readings;
    readings.reserve(80);
    const tarvo::Clock processClock = tarvo::ProcessClock();
    // The wrapper notes its own readings after the process clock's at a start
    // and before it at an end, so that the noted intervals lie within the timed ones.
    bool atStart = true;
    tarvo::Clock clock{[&]() -> std::int64_t {
                           Reading r{};
                           if (atStart) {
                               r.cpu = static_cast<std::clock_t>(processClock.read());
                               r.wall = WallClock::now();
                               r.cycles = cycleCounter.read();
                           } else {
                               r.cycles = cycleCounter.read();
                               r.wall = WallClock::now();
                               r.cpu = static_cast<std::clock_t>(processClock.read());
                           }
                           atStart = !atStart;
                           readings.push_back(r);
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

    std::vector<std::vector<double>> repetitionMs(8), repetitionCycles(8);
    std::vector<double> entier, flottant, indice, outsideShare;

    std::printf("run  integer   floating  index     wall s   outside %%\n");
    for (int run = 1; run <= runs; ++run) {
        readings.clear();
        atStart = true;
        const WallClock::time_point begin = WallClock::now();
        tarvo::Scores scores{};
        WallClock::time_point end;
        if (window) {
            entryShown.shownAt = {};
            FormPrincipale->ui->ButtonTester->click();
            end = entryShown.shownAt;
            scores = {FormPrincipale->ResultatEntier, FormPrincipale->ResultatFlottant, FormPrincipale->Indice};
        } else {
            scores = tarvo::RunSpeedTest(clock, {}).scores;
            end = WallClock::now();
        }
        if (window) {
            FormSaisie->setVisible(false);
            QCoreApplication::processEvents();
        }
        if (readings.size() != 80) {
            std::fprintf(stderr, "run %d stopped after %zu clock readings\n", run, readings.size());
            return 1;
        }

        double inside = 0.0;
        for (std::size_t i = 0; i + 1 < readings.size(); i += 2) {
            const Reading &a = readings[i];
            const Reading &b = readings[i + 1];
            inside += seconds(b.wall - a.wall);
            const std::size_t kernel = i / 10;
            repetitionMs[kernel].push_back(1000.0 * static_cast<double>(b.cpu - a.cpu) / CLOCKS_PER_SEC);
            repetitionCycles[kernel].push_back(static_cast<double>(b.cycles - a.cycles));
        }
        const double total = seconds(end - begin);
        const double outside = total > 0.0 ? 100.0 * (total - inside) / total : 0.0;

        entier.push_back(scores.entier);
        flottant.push_back(scores.flottant);
        indice.push_back(scores.indice);
        outsideShare.push_back(outside);
        std::printf("%3d  %8.2f  %8.2f  %8.2f  %7.3f  %8.4f\n", run, scores.entier, scores.flottant,
                    scores.indice, total, outside);
    }

    std::printf("\nkernel  ms/rep: median     min     max  ns/step  cycles/step  steps/rep\n");
    for (std::size_t k = 0; k < 8; ++k) {
        const double ms = median(repetitionMs[k]);
        const auto steps = static_cast<double>(tarvo::Kernels[k].innerSteps);
        const double ns = ms * 1e6 / steps;
        const double cycles = cycleCounter.available() ? median(repetitionCycles[k]) / steps : ns * mhz / 1000.0;
        const auto [least, most] = std::minmax_element(repetitionMs[k].begin(), repetitionMs[k].end());
        std::printf("%6zu  %14.2f  %6.2f  %6.2f  %7.3f  %11.2f  %9lld\n", k + 1, ms, *least, *most, ns,
                    cycles, static_cast<long long>(tarvo::Kernels[k].innerSteps));
    }
    if (cycleCounter.available())
        std::printf("cycles: counted by the processor (perf_event_open, user space)\n");
    else
        std::printf("cycles: no cycle counter for this process; estimated as ns x %.0f MHz "
                    "(\"cpu MHz\" in /proc/cpuinfo)\n",
                    mhz);

    std::printf("\nacross %d run(s)      median     CV %%\n", runs);
    std::printf("integer result   %10.2f  %7.2f\n", median(entier), variationPercent(entier));
    std::printf("floating result  %10.2f  %7.2f\n", median(flottant), variationPercent(flottant));
    std::printf("index            %10.2f  %7.2f\n", median(indice), variationPercent(indice));
    std::printf("outside timed intervals: median %.4f %% of the test's wall time, at most %.4f %%\n",
                median(outsideShare), *std::max_element(outsideShare.begin(), outsideShare.end()));
    if (window)
        tarvo::TApplication::DestroyForms();
    return 0;
}
