// The multi-core benchmark: in each round (default 5), the threaded speed test
// on one thread pinned to the first usable CPU, then on one thread per usable
// CPU, then the single-core test pinned to each CPU in turn; and prints
//  - the scaling (multi-core index over the wall time, divided by the
//    one-thread run's) and the same from the threads' own clocks;
//  - the wall time of the multi-core run against the one-thread run's;
//  - each CPU's single-core index and how far apart the CPUs' medians are;
//  - what the machine did meanwhile, from /proc/stat: the processor time
//    others took and the time a host stole during each multi-core run, which
//    explain a scaling below what cores that share nothing would give.
//
// Usage: tarvo_cores_bench [rounds]
#include "Measure.h"

#include "core/SpeedTest.h"
#include "core/ThreadedRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace tarvo;

namespace {

// Busy and stolen processor time of the whole machine so far, in seconds.
struct MachineTime {
    double busy = 0.0, stolen = 0.0;
};

MachineTime machineTime()
{
    std::ifstream stat("/proc/stat");
    std::string label;
    unsigned long long f[8] = {};
    stat >> label;
    for (unsigned long long &field : f)
        stat >> field;
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    // user nice system idle iowait irq softirq steal: idle and iowait are not busy.
    return {double(f[0] + f[1] + f[2] + f[5] + f[6]) * tick, double(f[7]) * tick};
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::vector<int> cpus = UsableCpus();
    if (cpus.empty() || rounds < 1) {
        std::fprintf(stderr, "usage: tarvo_cores_bench [rounds]; no usable CPU found\n");
        return 1;
    }
    std::vector<std::optional<int>> all(cpus.begin(), cpus.end());
    bench::Bench bench(rounds);
    const std::string n = std::to_string(cpus.size());

    for (int r = 0; r < rounds; ++r) {
        const ThreadedRun single = RunThreaded({cpus.front()});
        const MachineTime before = machineTime();
        const double ownBefore = bench::ProcessCpuMs();
        const ThreadedRun multi = RunThreaded(all);
        const double own = (bench::ProcessCpuMs() - ownBefore) / 1e3;
        const MachineTime after = machineTime();
        const MultiCoreScores one = Combine(single), many = Combine(multi);

        bench["scaling, " + n + " threads (wall time)"].readings.push_back(double(many.byWall.indice) / one.byWall.indice);
        bench["scaling, " + n + " threads (own clocks)"].readings.push_back(double(many.sum.indice) / one.sum.indice);
        bench["wall " + n + " threads / wall 1 thread, %"].readings.push_back(100.0 * multi.wallSeconds / single.wallSeconds);
        bench["wall time, 1 thread, s"].readings.push_back(single.wallSeconds);
        bench["wall time, " + n + " threads, s"].readings.push_back(multi.wallSeconds);
        bench["others' CPU time during it, s"].readings.push_back(std::max(0.0, after.busy - before.busy - own));
        bench["stolen by the host during it, s"].readings.push_back(after.stolen - before.stolen);

        for (int cpu : cpus) {
            const PinnedThread pinned(cpu);
            const TestRun test = RunSpeedTest(ProcessClock(), {});
            bench["per-core index, CPU " + std::to_string(cpu)].readings.push_back(test.scores.indice);
        }
        std::fprintf(stderr, "round %d of %d done\n", r + 1, rounds);
    }
    bench.Print(stdout, "measurement", 3);

    std::vector<double> medians;
    for (int cpu : cpus)
        medians.push_back(bench["per-core index, CPU " + std::to_string(cpu)].median());
    const auto [lowest, highest] = std::minmax_element(medians.begin(), medians.end());
    std::printf("per-core medians: slowest CPU %.2f %% below the fastest\n", 100.0 * (1.0 - *lowest / *highest));
    return 0;
}
