#include "core/SpeedTest.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"

#include <algorithm>
#include <bit>
#include <ctime>

namespace tarvo {

Clock ProcessClock()
{
    return {[] { return static_cast<std::int64_t>(std::clock()); }, CLOCKS_PER_SEC};
}

std::int32_t ElapsedTicks(const Clock &clock, std::int64_t start, std::int64_t end)
{
    const std::int64_t scaled = (end - start) * 1000;
    const std::int64_t half = clock.perSecond / 2;
    const std::int64_t ms = scaled >= 0 ? (scaled + half) / clock.perSecond
                                        : -((-scaled + half) / clock.perSecond);
    return static_cast<std::int32_t>(ms);
}

KernelTiming TimedRun(int number, const Kernel &kernel, const Clock &clock)
{
    float timeSum = 0.0f;
    std::array<ClockReadings, Repetitions> readings{};
    kernel.start();
    for (int repetition = 0; repetition < Repetitions; ++repetition) {
        // Only the kernel's loops lie between the two readings.
        const std::int64_t start = clock.read();
        kernel.repetition();
        const std::int64_t end = clock.read();
        readings[repetition] = {start, end};

        const std::int32_t ticks = ElapsedTicks(clock, start, end);
        const float seconds = static_cast<float>(ticks * 0.001L);
        timeSum = static_cast<float>(seconds + static_cast<long double>(timeSum));
    }
    const float averageTime = static_cast<float>(timeSum * 0.2L);
    const std::optional<KernelCheck> check = CheckKernel(kernel);

    // Dividing by a zero time would give an infinite result, and an infinite
    // index would end up in the results file.
    if (averageTime == 0.0f)
        throw Exception(TooFastToTime(number));

    const long double mcps =
        ((static_cast<long double>(kernel.operationCount) / averageTime) * 0.001L) * 0.001L;
    return {averageTime, static_cast<float>(mcps), readings, check};
}

std::optional<KernelCheck> CheckKernel(const Kernel &kernel)
{
    if (!kernel.outcome)
        return std::nullopt;
    const double outcome = kernel.outcome();
    // The same bits: a zero of the wrong sign or a NaN is as wrong as any.
    return KernelCheck{outcome, kernel.expected,
                       std::bit_cast<std::uint64_t>(outcome) == std::bit_cast<std::uint64_t>(kernel.expected)};
}

bool TestRun::valid() const
{
    return std::all_of(kernels.begin(), kernels.end(),
                       [](const KernelTiming &kernel) { return !kernel.check || kernel.check->valid; });
}

Scores Score(const std::array<float, 8> &r)
{
    float entier = static_cast<float>(((static_cast<long double>(r[0]) + r[1]) + r[2]) + r[3]);
    entier = static_cast<float>(0.25L * entier);

    float flottant = static_cast<float>(((static_cast<long double>(r[4]) + r[5]) + r[6]) + r[7]);
    flottant = static_cast<float>(0.25L * flottant);

    // The floating result weighs three times the integer result.
    const float indice = static_cast<float>((3.0L * flottant + entier) * 0.25L);
    return {entier, flottant, indice};
}

TestRun RunSpeedTest(const Clock &clock, const std::function<void(int)> &afterKernel,
                     const std::array<Kernel, 8> &kernels)
{
    TestRun run{};
    std::array<float, 8> results{};
    for (int k = 1; k <= 8; ++k) {
        run.kernels[k - 1] = TimedRun(k, kernels[k - 1], clock);
        results[k - 1] = run.kernels[k - 1].result;
        if (afterKernel)
            afterKernel(k);
    }
    run.scores = Score(results);
    return run;
}

} // namespace tarvo
