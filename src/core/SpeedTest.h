// The speed test without its window: the timed run that repeats a kernel five
// times between clock readings, the scoring that turns the eight kernel
// results into the integer result, the floating result and the index, and the
// whole test that the test window (UnitTest) and the benchmark both run.
//
// Kernel results and scores are 32-bit floats in millions of calculations per
// second; the arithmetic on them is carried in long double and rounded to
// float at fixed points. The floating-point environment is never touched.
#pragma once

#include "core/Kernels.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tarvo {

// What the timed run reads: a clock in its own units and how many of them
// make a second. Tests give it readings of their own.
struct Clock {
    std::function<std::int64_t()> read;
    std::int64_t perSecond;
};

// std::clock: the processor time of this process, so that other programs
// running meanwhile are not counted against the machine.
Clock ProcessClock();

// The time between two readings in whole milliseconds, rounded to the nearest
// one: a millisecond clock's readings would differ by that on average.
std::int32_t ElapsedTicks(const Clock &clock, std::int64_t start, std::int64_t end);

// How many times a timed run repeats its kernel.
inline constexpr int Repetitions = 5;

// The two readings around one repetition, in the clock's own units, as it gave
// them: whoever reports on a run (the command line, the benchmark) reads the
// very figures the scores came from.
struct ClockReadings {
    std::int64_t start;
    std::int64_t end;
};

// What a floating kernel's accumulator held after its repetitions and what it
// had to hold; the run is valid only when the two are the same bits.
struct KernelCheck {
    double outcome;
    double expected;
    bool valid;
};

struct KernelTiming {
    float averageTime; // seconds
    float result;      // MCPS
    std::array<ClockReadings, Repetitions> readings;
    // The floating kernels only, taken after the last clock reading.
    std::optional<KernelCheck> check;
};

// The check of a kernel that has an outcome: read and compared, untimed.
std::optional<KernelCheck> CheckKernel(const Kernel &kernel);

// The five timed repetitions of one kernel (number 1 to 8, for the message).
// Throws tarvo::Exception when all five measure 0 ms: the kernel was too fast
// for the clock and no result can be given.
KernelTiming TimedRun(int number, const Kernel &kernel, const Clock &clock);

struct Scores {
    float entier;   // integer result
    float flottant; // floating result
    float indice;   // (3 x floating + integer) / 4
};

// Kernel results 1 to 8 at indexes 0 to 7.
Scores Score(const std::array<float, 8> &results);

struct TestRun {
    std::array<KernelTiming, 8> kernels;
    Scores scores;

    // False when a kernel computed a wrong value: its results are not to be
    // recorded. The integer kernels are not checked.
    bool valid() const;
};

// Kernels 1 to 8 in order, each through its timed run and its check, then the
// scores; all eight run even when one computes wrong. afterKernel(k) is called
// once kernel k is done, outside any timed interval.
TestRun RunSpeedTest(const Clock &clock, const std::function<void(int)> &afterKernel,
                     const std::array<Kernel, 8> &kernels = Kernels);

} // namespace tarvo
