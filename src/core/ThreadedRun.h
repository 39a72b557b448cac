// The speed test on several threads at once, for the multi-core figures: one
// thread per CPU asked for, each pinned to its CPU (or left to the scheduler),
// all held at a barrier until every one is ready, then each running the eight
// kernels of ThreadKernels.h through the same timed run and scoring as the
// single-core test. Each thread times its kernels with its own processor-time
// clock: the process clock would add up every thread's time. The wall time of
// the whole is measured too, since a processor-time clock does not see another
// program, a CPU quota or a host that steals time from a virtual machine.
#pragma once

#include "core/SpeedTest.h"
#include "core/ThreadKernels.h"

#include <optional>
#include <vector>

namespace tarvo {

// The CPUs this process may run on (its affinity), in ascending order.
std::vector<int> UsableCpus();

// Pins the calling thread to one CPU while it lives, then gives the thread back
// the CPUs it had. Throws tarvo::Exception when the system refuses.
class PinnedThread {
public:
    explicit PinnedThread(int cpu);
    ~PinnedThread();
    PinnedThread(const PinnedThread &) = delete;
    PinnedThread &operator=(const PinnedThread &) = delete;

private:
    std::vector<int> before_;
};

// CLOCK_THREAD_CPUTIME_ID in nanoseconds: the processor time of the thread
// that reads it.
Clock ThreadClock();

struct AccumulatorValues {
    float sum5, product6;
    double sum7, product8;
};

struct ThreadOutcome {
    std::optional<int> cpu; // pinned to; none when left to the scheduler
    TestRun test;
    double processorSeconds = 0.0; // its kernels' repetitions, on its own clock
    AccumulatorValues accumulators{}; // after its last kernel
};

struct ThreadedRun {
    std::vector<ThreadOutcome> threads;
    // From the first thread leaving the barrier to the last one ending.
    double wallSeconds = 0.0;
};

// One thread per entry of `cpus`. Throws tarvo::Exception when a thread could
// not be pinned or a kernel was too fast to time (after every thread ended).
ThreadedRun RunThreaded(const std::vector<std::optional<int>> &cpus,
                        const std::array<Kernel, 8> &kernels = ThreadKernels);

struct MultiCoreScores {
    // The threads' results added up: each thread's rate on its own clock.
    Scores sum;
    // The work done over the wall time: each thread's results weighted by the
    // share of the wall time its clock counted. Equal to `sum` when nothing
    // else took the CPUs and every thread ended with the others.
    Scores byWall;
    // When byWall falls this far below sum, something else took the CPUs.
    static constexpr double disturbedBelow = 0.95;
    bool disturbed() const { return byWall.indice < disturbedBelow * sum.indice; }
};

MultiCoreScores Combine(const ThreadedRun &run);

} // namespace tarvo
