// Repeated runs of the speed test for the command line: each run is the test
// "Tester" runs, on the same clock, with the core's clock measured and the
// throttling counters read just before and just after it, outside every timed
// interval; then the spread of the results and the verdict.
#pragma once

#include "cli/Conditions.h"

#include "core/SpeedTest.h"
#include "core/Spread.h"

#include <functional>
#include <string>
#include <vector>

namespace tarvo::cli {

struct RunRecord {
    TestRun test;
    RunConditions conditions;
    double wallSeconds = 0.0; // the test alone, without the measurements around it
};

struct Session {
    Conditions before;
    Conditions after;
    std::vector<RunRecord> runs;
    std::vector<RunRecord> warmupRuns{}; // run first and discarded
    bool repeatAuto = false; // repeated until the index was stable
};

// How many runs: `warmup` discarded, then `repeat` counted, or with
// `repeatAuto` as many as it takes for the index's CV to be at most 3 %,
// from AutoFewestRuns to AutoMostRuns.
struct RunPlan {
    int warmup = 0;
    int repeat = 1;
    bool repeatAuto = false;
};
inline constexpr int AutoFewestRuns = 5;
inline constexpr int AutoMostRuns = 30;

// Pins this process to one CPU; the French refusal when it may not use it.
std::optional<QString> PinToCpu(int cpu);

// The runs of a plan into the session; afterRun() once each counted run is in.
void RunPlanned(Session &session, const RunPlan &plan, const Clock &clock, const std::string &root,
                const std::function<void()> &afterRun);

// One run between its measurements (`root` as for ReadConditions). Throws
// tarvo::Exception when a kernel was too fast to be timed.
RunRecord RunOnce(const Clock &clock, const std::string &root);

struct Summary {
    Spread entier, flottant, indice;
    bool stable; // the index's coefficient of variation at most 3 %
};

// A stable index varies by at most this much, in percent.
inline constexpr double StableAbovePercent = 3.0;

Summary Summarize(const std::vector<RunRecord> &runs);

// The run whose index is the median: the middle one by index, the lower of the
// two middle ones for an even count.
std::size_t MedianRun(const std::vector<RunRecord> &runs);

// True when every run's kernels computed what they must.
bool AllValid(const Session &session);

std::vector<RunConditions> RunConditionsOf(const std::vector<RunRecord> &runs);

} // namespace tarvo::cli
