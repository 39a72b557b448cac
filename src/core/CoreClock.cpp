#include "core/CoreClock.h"

#include <ctime>
#include <limits>

namespace tarvo {

namespace {

// About a quarter of a millisecond at 4 GHz; a few times more on a slow core.
constexpr std::int64_t iterationsPerRun = 10000;
constexpr int runs = 12;

double monotonicSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace

bool CoreClockMeasurable()
{
#if defined(__x86_64__) || defined(__aarch64__)
    return true;
#else
    return false;
#endif
}

// Written in assembly so that no compiler or option changes it. The register
// operand keeps the additions from being folded at rename, as some cores do
// with small immediates; the loop's own counting runs beside the chain.
[[gnu::noinline]] void LatencyLoop(std::int64_t iterations)
{
    if (iterations <= 0)
        return;
    std::int64_t sum = 0;
    const std::int64_t one = 1;
#if defined(__x86_64__)
    asm volatile(".p2align 6\n"
                 "1:\n"
                 ".rept 100\n"
                 "add %[one], %[sum]\n"
                 ".endr\n"
                 "dec %[n]\n"
                 "jnz 1b\n"
                 : [sum] "+r"(sum), [n] "+r"(iterations)
                 : [one] "r"(one)
                 : "cc");
#elif defined(__aarch64__)
    asm volatile(".p2align 6\n"
                 "1:\n"
                 ".rept 100\n"
                 "add %[sum], %[sum], %[one]\n"
                 ".endr\n"
                 "subs %[n], %[n], #1\n"
                 "b.ne 1b\n"
                 : [sum] "+r"(sum), [n] "+r"(iterations)
                 : [one] "r"(one)
                 : "cc");
#else
    (void)sum;
    (void)one;
#endif
}

double MeasureCoreClockHz()
{
    if (!CoreClockMeasurable())
        return 0.0;
    double fastest = std::numeric_limits<double>::infinity();
    for (int run = 0; run < runs; ++run) {
        const double start = monotonicSeconds();
        LatencyLoop(iterationsPerRun);
        const double seconds = monotonicSeconds() - start;
        if (seconds > 0.0 && seconds < fastest)
            fastest = seconds;
    }
    if (!(fastest < std::numeric_limits<double>::infinity()))
        return 0.0;
    return static_cast<double>(iterationsPerRun) * LatencyCyclesPerIteration / fastest;
}

} // namespace tarvo
