#include "cli/Runs.h"

#include "cli/CommandTexts.h"

#include "core/CoreClock.h"
#include "core/Spread.h"

#include <algorithm>
#include <chrono>
#include <numeric>

#include <sched.h>

namespace tarvo::cli {

namespace {

Spread spreadOf(const std::vector<RunRecord> &runs, float Scores::*score)
{
    std::vector<double> values;
    for (const RunRecord &run : runs)
        values.push_back(run.test.scores.*score);
    return SpreadOf(values);
}

} // namespace

RunRecord RunOnce(const Clock &clock, const std::string &root)
{
    RunRecord record;
    RunWatch watch(root);
    watch.Start(record.conditions);
    record.conditions.throttleBefore = ReadThrottleCount(root);
    record.conditions.clockBeforeHz = MeasureCoreClockHz();
    const auto start = std::chrono::steady_clock::now();
    record.test = RunSpeedTest(clock, {});
    record.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    record.conditions.clockAfterHz = MeasureCoreClockHz();
    record.conditions.throttleAfter = ReadThrottleCount(root);
    watch.Finish(record.conditions);
    return record;
}

std::optional<QString> PinToCpu(int cpu)
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && cpu < CPU_SETSIZE && CPU_ISSET(cpu, &allowed)) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        if (::sched_setaffinity(0, sizeof one, &one) == 0)
            return std::nullopt;
    }
    QStringList usable;
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &allowed))
            usable << QString::number(c);
    return CpuNotAllowed(cpu, usable.join(QStringLiteral(", ")));
}

void RunPlanned(Session &session, const RunPlan &plan, const Clock &clock, const std::string &root,
                const std::function<void()> &afterRun)
{
    session.repeatAuto = plan.repeatAuto;
    for (int i = 0; i < plan.warmup; ++i)
        session.warmupRuns.push_back(RunOnce(clock, root));
    for (;;) {
        session.runs.push_back(RunOnce(clock, root));
        if (afterRun)
            afterRun();
        const int done = int(session.runs.size());
        if (!plan.repeatAuto && done >= plan.repeat)
            break;
        if (plan.repeatAuto && done >= AutoFewestRuns && (Summarize(session.runs).stable || done >= AutoMostRuns))
            break;
    }
}

Summary Summarize(const std::vector<RunRecord> &runs)
{
    Summary summary{spreadOf(runs, &Scores::entier), spreadOf(runs, &Scores::flottant),
                    spreadOf(runs, &Scores::indice), false};
    summary.stable = summary.indice.variationPercent <= StableAbovePercent;
    return summary;
}

std::size_t MedianRun(const std::vector<RunRecord> &runs)
{
    std::vector<std::size_t> order(runs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return runs[a].test.scores.indice < runs[b].test.scores.indice;
    });
    return order[(order.size() - 1) / 2];
}

bool AllValid(const Session &session)
{
    const auto valid = [](const RunRecord &run) { return run.test.valid(); };
    return std::all_of(session.runs.begin(), session.runs.end(), valid)
           && std::all_of(session.warmupRuns.begin(), session.warmupRuns.end(), valid);
}

std::vector<RunConditions> RunConditionsOf(const std::vector<RunRecord> &runs)
{
    std::vector<RunConditions> conditions;
    for (const RunRecord &run : runs)
        conditions.push_back(run.conditions);
    return conditions;
}

} // namespace tarvo::cli
