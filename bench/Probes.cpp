#include "Probes.h"

#include <algorithm>
#include <ctime>

namespace tarvo::bench {

namespace {

// About 3 ms each at 3.5 GHz.
constexpr std::int64_t latencyProbeIterations = 100000;
constexpr std::int64_t throughputProbeIterations = 10000000;

#if defined(__x86_64__)

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Kernel 3's inner loop: a 32-bit counter in memory, loaded, incremented,
// stored and loaded again for the test. Written in assembly so that no
// compiler option or version changes it; it starts on a 64-byte boundary, as
// the kernels do.
[[gnu::noinline]] void throughputLoop(std::int64_t iterations)
{
    std::int32_t counter = 0;
    std::int32_t value;
    const auto bound = static_cast<std::int32_t>(iterations);
    asm volatile(".p2align 6\n"
                 "1:\n"
                 "movl %[counter], %[value]\n"
                 "addl $1, %[value]\n"
                 "movl %[value], %[counter]\n"
                 "movl %[counter], %[value]\n"
                 "cmpl %[bound], %[value]\n"
                 "jl 1b\n"
                 : [counter] "+m"(counter), [value] "=&r"(value)
                 : [bound] "r"(bound)
                 : "cc", "memory");
}

#endif

} // namespace

bool ProbesAvailable()
{
#if defined(__x86_64__)
    return true;
#else
    return false;
#endif
}

ProbeTimes RunProbes()
{
    ProbeTimes times;
#if defined(__x86_64__)
    const double t0 = threadSeconds();
    tarvo::LatencyLoop(latencyProbeIterations);
    const double t1 = threadSeconds();
    throughputLoop(throughputProbeIterations);
    const double t2 = threadSeconds();
    tarvo::LatencyLoop(latencyProbeIterations);
    const double t3 = threadSeconds();
    times = {t1 - t0, t2 - t1, t3 - t2};
#endif
    return times;
}

ProbeReading ReadProbes(const ProbeTimes &times, std::int64_t latencyIterations,
                        std::int64_t throughputIterations)
{
    ProbeReading reading;
    const double latency = times.latencyBefore + times.latencyAfter;
    if (!(times.latencyBefore > 0.0 && times.latencyAfter > 0.0 && times.throughput > 0.0)
        || latencyIterations <= 0 || throughputIterations <= 0)
        return reading;
    // The throughput probe ran between the two latency probes: the clock over
    // both is the one it most likely saw.
    reading.clockHz = 2.0 * static_cast<double>(latencyIterations) * latencyCyclesPerIteration / latency;
    reading.throughputCycles = times.throughput * reading.clockHz / static_cast<double>(throughputIterations);
    return reading;
}

ProbeReading ReadProbes(const ProbeTimes &times)
{
    return ReadProbes(times, latencyProbeIterations, throughputProbeIterations);
}

bool AtOneCycle(double cyclesPerIteration)
{
    // Well below one cycle per iteration, the latency probe was the slow one
    // (the host took the processor away), and the clock is unknown.
    return cyclesPerIteration >= 1.0 / disturbedAbove && cyclesPerIteration <= disturbedAbove;
}

bool Disturbed(const ProbeReading &before, const ProbeReading &after, const std::vector<double> &kernelCycles)
{
    if (!(before.clockHz > 0.0 && after.clockHz > 0.0))
        return true;
    if (!AtOneCycle(before.throughputCycles) || !AtOneCycle(after.throughputCycles))
        return true;
    return !std::all_of(kernelCycles.begin(), kernelCycles.end(), AtOneCycle);
}

} // namespace tarvo::bench
