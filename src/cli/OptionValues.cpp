#include "cli/OptionValues.h"

#include "cli/Arguments.h"
#include "cli/Threads.h"

#include "core/DataFiles.h"
#include "core/ThreadedRun.h"

#include <charconv>
#include <cmath>
#include <sched.h>
#include <string_view>

namespace tarvo::cli {

namespace {

using Refusal = std::optional<QString>;

QString local(const char *text)
{
    return ArgumentText(text);
}

// A whole number from `lowest` to `highest`, all of the text.
std::optional<int> wholeNumber(std::string_view value, int lowest, int highest)
{
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < lowest || number > highest)
        return std::nullopt;
    return number;
}

} // namespace

Refusal takeWarmup(Options &options, const char *text)
{
    const auto count = wholeNumber(text, 0, 10);
    if (!count)
        return BadWarmupCount(local(text));
    options.warmup = *count;
    return {};
}

Refusal takeCpu(Options &options, const char *text)
{
    const auto cpu = wholeNumber(text, 0, CPU_SETSIZE - 1);
    if (!cpu)
        return BadCpuNumber(local(text));
    options.cpu = *cpu;
    return {};
}

Refusal takeRepeat(Options &options, const char *text)
{
    const std::string_view value(text);
    if (value == "auto") {
        options.repeatAuto = true;
        return {};
    }
    const auto count = wholeNumber(value, 1, 100);
    if (!count)
        return BadRepeatCount(local(text));
    options.repeat = *count;
    return {};
}

Refusal takeIndex(Options &options, const char *text)
{
    const std::string_view value(text);
    double index = 0.0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index,
                                              std::chars_format::fixed);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || !std::isfinite(index))
        return BadIndexValue(local(text));
    // Compared as a results line would store it: a float in "%12.2f".
    if (!std::isfinite(float(index)) || FormatFixed2(float(index), 0).size() > 12)
        return IndexOutOfRange(local(text));
    options.index = index;
    return {};
}

Refusal takeThreads(Options &options, const char *text)
{
    const ThreadCount count = ParseThreadCount(text, int(UsableCpus().size()));
    if (!count.refusal.isEmpty())
        return UsageRefused(count.refusal);
    options.threads = count.threads;
    return {};
}

} // namespace tarvo::cli
