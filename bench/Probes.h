// Two short loops the kernel benchmark times just before kernel 3 and just
// after kernel 4, outside their timed intervals, and the figures drawn from
// them.
//
// Kernels 3 and 4 run one inner step per clock cycle (their 32-bit counters
// are forwarded from store to load at no latency). Such loops slow down far
// more than the other kernels when another thread shares the physical core:
// on a shared virtual machine that happens for stretches of milliseconds to
// seconds, invisibly to the guest. The two probes show it:
//  - the latency probe is a chain of dependent register additions, a known
//    number of cycles per iteration whoever shares the core; its time gives
//    the clock the core really runs at (never the "cpu MHz" of /proc/cpuinfo,
//    which in a virtual machine is often the time-stamp counter's rate);
//  - the throughput probe is kernel 3's inner loop in assembly: one iteration
//    per cycle on a core of its own, and slower, like kernels 3 and 4, when a
//    sibling thread takes part of the core.
// A run is disturbed when, at the latency probe's clock, the throughput probe
// or a repetition of kernel 3 or 4 needs clearly more (or, with the latency
// probe slowed, clearly less) than one cycle per iteration.
//
// Probes are timed in this thread's processor time, so that a preemption by
// the guest's own scheduler is not taken for a slow core.
#pragma once

#include "core/CoreClock.h"
#include "core/Spread.h"

#include <cstdint>
#include <vector>

namespace tarvo::bench {

// The latency probe is the core's clock loop (core/CoreClock.h).
constexpr double latencyCyclesPerIteration = tarvo::LatencyCyclesPerIteration;

// Above this many cycles per iteration of the throughput probe, or below its
// inverse, a run is disturbed. On a 2-core KVM guest (AMD family 0x1A),
// `tarvo_kernel_bench --probes 1000` put 835 probe sets at 0.85-1.05, 16 at
// 1.05-1.15 and 149 at 1.15-2.2 (docs/benchmarks.md, "The kernels").
constexpr double disturbedAbove = 1.15;

// Seconds of thread processor time of one probe set, in the order the loops
// ran: latency, throughput, latency.
struct ProbeTimes {
    double latencyBefore = 0.0;
    double throughput = 0.0;
    double latencyAfter = 0.0;
};

struct ProbeReading {
    double clockHz = 0.0;          // from the two latency probes; 0 when unknown
    double throughputCycles = 0.0; // per iteration of the throughput probe, at that clock
};

// Whether this build has the probes (x86-64 only).
bool ProbesAvailable();

// Runs one probe set of a few milliseconds; all zero without probes.
ProbeTimes RunProbes();

// The clock and the throughput probe's cycles per iteration of a probe set
// whose loops ran the given iterations.
ProbeReading ReadProbes(const ProbeTimes &times, std::int64_t latencyIterations,
                        std::int64_t throughputIterations);
ProbeReading ReadProbes(const ProbeTimes &times);

// Whether a loop that runs one iteration per cycle on a core of its own did
// so: within a factor disturbedAbove of one cycle, either way.
bool AtOneCycle(double cyclesPerIteration);

// A run is clean only when both probe sets around its kernels 3 and 4 were
// read and ran at one cycle per iteration, and so did every repetition of
// kernels 3 and 4 at the probes' clock (kernelCycles, per step): a co-runner
// may come and go between the two probe sets.
bool Disturbed(const ProbeReading &before, const ProbeReading &after, const std::vector<double> &kernelCycles);

using tarvo::Median;
using tarvo::VariationPercent;

} // namespace tarvo::bench
