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
#include "KernelSession.h"
#include "Measure.h"
#include "Probes.h"

#include "core/Kernels.h"
#include "core/SpeedTest.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using tarvo::bench::Median;
using tarvo::bench::VariationPercent;
using tarvo::bench::RunFigures;
using tarvo::bench::Session;

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

using tarvo::bench::Bench;
using tarvo::bench::Measurement;

// Median and CV of one result over all runs and over clean runs, or dashes
// without clean runs.
void printSpread(const char *name, Bench &bench)
{
    const Measurement &all = bench[name];
    const Measurement &clean = bench[std::string(name) + " clean"];
    std::printf("%-16s %10.2f  %6.2f", name, all.median(), all.stats().cvPercent);
    if (clean.readings.empty())
        std::printf("  %10s  %6s\n", "-", "-");
    else
        std::printf("  %10.2f  %6.2f\n", clean.median(), clean.stats().cvPercent);
}

struct Options {
    int runs = 10;
    bool window = false;
    int probeSets = 0; // the probes alone, that many times
};

std::optional<Options> parseOptions(int argc, char *argv[])
{
    Options o;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--window") {
            o.window = true;
        } else if (arg == "--probes") {
            o.probeSets = a + 1 < argc ? std::atoi(argv[a + 1]) : 0;
            return o.probeSets >= 1 ? std::optional(o) : std::nullopt;
        } else {
            o.runs = std::atoi(argv[a]);
            if (o.runs < 1)
                return std::nullopt;
        }
    }
    return o;
}

int usage(const char *program)
{
    std::fprintf(stderr,
                 "usage: %s [--window] [runs]   (runs >= 1, default 10)\n"
                 "       %s --probes N          (N >= 1 probe sets alone)\n",
                 program, program);
    return 2;
}

std::string kernelName(std::size_t k, const char *figure)
{
    return "kernel " + std::to_string(k + 1) + " " + figure;
}

// A run's figures into the measurements: each result over all runs and over
// clean ones, each kernel's repetitions over all runs, clean runs and disturbed ones.
void record(Bench &bench, const RunFigures &f)
{
    const char *const tag = f.disturbed ? " disturbed" : " clean";
    const std::pair<const char *, double> results[] = {
        {"integer result", f.scores.entier}, {"floating result", f.scores.flottant}, {"index", f.scores.indice}};
    for (const auto &[name, value] : results) {
        bench[name].readings.push_back(value);
        if (!f.disturbed)
            bench[std::string(name) + " clean"].readings.push_back(value);
    }
    bench["outside %"].readings.push_back(f.outside);
    if (f.clockHz > 0.0)
        bench["clock Hz"].readings.push_back(f.clockHz);
    if (!f.disturbed)
        bench["clock Hz clean"].readings.push_back(f.clockHz);
    for (const double c : {f.before.throughputCycles, f.after.throughputCycles})
        if (c > 0.0)
            bench["probe cycles"].readings.push_back(c);
    if (f.missedByProbes)
        bench["missed by probes"].readings.push_back(1);
    for (std::size_t i = 0; i < f.ms.size(); ++i) {
        const std::size_t k = i / tarvo::Repetitions;
        bench[kernelName(k, "ms")].readings.push_back(f.ms[i]);
        bench[kernelName(k, "ms") + tag].readings.push_back(f.ms[i]);
        bench[kernelName(k, "cycles") + tag].readings.push_back(f.cyclesPerStep[i]);
        bench[kernelName(k, "counted")].readings.push_back(f.counted[i]);
    }
}

void printRun(int run, const RunFigures &f, bool probes)
{
    std::printf("%3d  %8.2f  %8.2f  %8.2f  %7.3f  %8.4f", run, f.scores.entier, f.scores.flottant, f.scores.indice,
                f.total, f.outside);
    if (probes)
        std::printf("  %9.3f  %4.2f %4.2f  %11.2f  %s\n", f.clockHz / 1e9, f.before.throughputCycles,
                    f.after.throughputCycles, f.slowest34, f.disturbed ? "disturbed" : "clean");
    else
        std::printf("\n");
}

void printHeader(int runs, bool window)
{
    std::printf("Kernel benchmark: %d run(s) of the whole speed test%s\n", runs,
                window ? ", each a press of \"Tester\" in the test window" : ", without a window");
    std::printf("Kernel addresses modulo 64:");
    for (const tarvo::Kernel &kernel : tarvo::Kernels)
        std::printf(" %u", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(kernel.repetition) % 64));
    std::printf("\n\n");
    std::printf("run  integer   floating  index     wall s  outside %%  clock GHz  probe c/it  "
                "k3-4 c/step  run\n");
}

void medianOrDash(const Measurement &m, const char *format)
{
    m.readings.empty() ? std::printf("  %9s", "-") : std::printf(format, m.median());
}

void printKernels(Bench &bench, bool probes, bool counter)
{
    std::printf("\n        ms per repetition                  ns/step   cycles per step (measured clock)%s\n",
                counter ? "      counted" : "");
    std::printf("kernel     min  median      clean  disturbed   median  clean min     clean  disturbed%s"
                "  steps/rep\n",
                counter ? "   median" : "");
    for (std::size_t k = 0; k < 8; ++k) {
        const auto steps = static_cast<double>(tarvo::Kernels[k].innerSteps);
        const Measurement &ms = bench[kernelName(k, "ms")];
        std::printf("%6zu  %6.2f  %6.2f", k + 1, ms.stats().min, ms.median());
        medianOrDash(bench[kernelName(k, "ms clean")], "  %9.2f");
        medianOrDash(bench[kernelName(k, "ms disturbed")], "  %9.2f");
        std::printf("  %7.3f", ms.median() * 1e6 / steps);
        if (probes) {
            // A disturbed run's clock may be off: its fastest repetition says little.
            const Measurement &clean = bench[kernelName(k, "cycles clean")];
            clean.readings.empty() ? std::printf("  %8s", "-") : std::printf("  %8.2f", clean.stats().min);
            medianOrDash(clean, "  %9.2f");
            medianOrDash(bench[kernelName(k, "cycles disturbed")], "  %9.2f");
        } else {
            std::printf("  %8s  %9s  %9s", "-", "-", "-");
        }
        if (counter)
            std::printf("  %7.2f", bench[kernelName(k, "counted")].median());
        std::printf("  %9lld\n", static_cast<long long>(tarvo::Kernels[k].innerSteps));
    }
    std::printf("(clean and disturbed: medians over the repetitions of the clean runs, and of the disturbed ones)\n");
}

void printClassification(Bench &bench, int runs, bool probes)
{
    const auto cleanRuns = static_cast<int>(bench["integer result clean"].readings.size());
    const auto missedByProbes = static_cast<int>(bench["missed by probes"].readings.size());
    std::printf("\n");
    if (probes)
        std::printf("%d run(s): %d clean, %d disturbed (off one cycle per iteration by more than a factor %.2f: "
                    "the throughput probe before kernel 3 or after kernel 4 in %d, a repetition of kernel 3 or 4 "
                    "alone in %d)\n",
                    runs, cleanRuns, runs - cleanRuns, tarvo::bench::disturbedAbove,
                    runs - cleanRuns - missedByProbes, missedByProbes);
    else
        std::printf("%d run(s), not classified: no probes on this processor\n", runs);
    const Measurement &probeCycles = bench["probe cycles"];
    const double fastestProbe = probeCycles.readings.empty() ? 0.0 : probeCycles.stats().min;
    if (probes && fastestProbe > tarvo::bench::disturbedAbove)
        std::printf("no probe set ran near one cycle per iteration (fastest %.2f): every run was disturbed, "
                    "or this processor does not run kernel 3's loop at one step per cycle\n",
                    fastestProbe);
}

void printResults(Bench &bench, bool probes, bool counter)
{
    std::printf("                    all runs              clean runs\n");
    std::printf("                     median    CV %%      median    CV %%\n");
    printSpread("integer result", bench);
    printSpread("floating result", bench);
    printSpread("index", bench);
    if (probes) {
        std::printf("\nclock (latency probe, %g dependent additions): median %.3f GHz over all runs",
                    tarvo::bench::latencyCyclesPerIteration, bench["clock Hz"].median() / 1e9);
        if (!bench["clock Hz clean"].readings.empty())
            std::printf(", %.3f over clean runs", bench["clock Hz clean"].median() / 1e9);
        std::printf("\n");
    }
    const double mhz = cpuinfoMHz();
    if (mhz > 0.0)
        std::printf("\"cpu MHz\" in /proc/cpuinfo: %.0f (not used)\n", mhz);
    std::printf(counter ? "counted: cycles counted by the processor (perf_event_open, user space)\n"
                        : "no processor cycle counter for this process (perf_event_open)\n");
    const Measurement &outside = bench["outside %"];
    std::printf("outside timed intervals: median %.4f %% of the test's wall time, at most %.4f %% "
                "(the probes' own time left out)\n",
                outside.median(), outside.stats().max);
}

} // namespace

int main(int argc, char *argv[])
{
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options)
        return usage(argv[0]);
    if (options->probeSets > 0)
        return probesOnly(options->probeSets);

    Session session(options->window);
    if (options->window && !session.setUpWindows(argc, argv))
        return 1;
    printHeader(options->runs, options->window);

    // One reading per run of the whole test: its wall time; the figures the
    // tables below are drawn from are recorded beside it.
    Bench bench(options->runs);
    int run = 0;
    bench.Run("test wall s", [&] {
        RunFigures figures;
        if (!session.run(++run, figures))
            return tarvo::bench::Failed;
        record(bench, figures);
        printRun(run, figures, session.probes());
        return figures.total;
    });
    if (bench.failed())
        return 1;

    const bool counter = session.cycleCounter().available();
    printKernels(bench, session.probes(), counter);
    printClassification(bench, options->runs, session.probes());
    printResults(bench, session.probes(), counter);
    session.tearDown();
    return 0;
}
