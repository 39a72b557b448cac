// What the floating kernels' check costs: the check alone, called many times,
// and the four floating kernels' timed intervals in runs with the check and in
// runs without it (the same kernels with no outcome to read), taken in turn.
#include "Measure.h"

#include "core/SpeedTest.h"

#include <chrono>
#include <cstdio>

using namespace tarvo;

namespace {

// The floating kernels' average times of one whole run, in milliseconds.
double floatingIntervals(const std::array<Kernel, 8> &kernels)
{
    const TestRun run = RunSpeedTest(ProcessClock(), {}, kernels);
    double ms = 0.0;
    for (int k = 4; k < 8; ++k)
        ms += run.kernels[k].averageTime * 1000.0;
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    bench::Bench bench(1);
    // The check of one run: four reads and comparisons, timed over many.
    constexpr int calls = 1000000;
    bench::Measurement &check = bench.Run("check of one run (4 kernels), microseconds", [] {
        const auto start = std::chrono::steady_clock::now();
        int valid = 0;
        for (int i = 0; i < calls; ++i)
            for (int k = 4; k < 8; ++k)
                valid += CheckKernel(Kernels[k])->valid;
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        return valid >= 0 ? us / calls : bench::Failed;
    });
    std::array<Kernel, 8> unchecked = Kernels;
    for (Kernel &kernel : unchecked)
        kernel.outcome = nullptr;
    bench::Measurement with{"floating kernels' timed intervals, checked (ms)", {}};
    bench::Measurement without{"floating kernels' timed intervals, unchecked (ms)", {}};
    for (int r = 0; r < rounds; ++r) {
        with.readings.push_back(floatingIntervals(Kernels));
        without.readings.push_back(floatingIntervals(unchecked));
    }
    for (const bench::Measurement *m : {&check, &with, &without})
        std::printf("%-55s %s  cv %.2f %%\n", m->name.c_str(), m->spread(4).c_str(), m->stats().cvPercent);
    return 0;
}
