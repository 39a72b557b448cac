#include "cli/PerCore.h"

#include "cli/CommandLine.h"
#include "cli/CommandTexts.h"
#include "cli/Conditions.h"
#include "cli/ConditionsTexts.h"
#include "cli/Json.h"
#include "cli/ReportTexts.h"
#include "cli/RunReport.h"
#include "cli/Runs.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"
#include "core/Spread.h"
#include "core/ThreadedRun.h"

#include <algorithm>

namespace tarvo::cli {

namespace {

CoreType kindOf(int cpu, const CpuTopology &topology)
{
    const CpuInfo *info = topology.find(cpu);
    return info ? info->type : CoreType::Unknown;
}

QString gigahertz(double hz)
{
    return Gigahertz(hz, true);
}

double maxFrequencyHz(int cpu, const CpuTopology &topology)
{
    const CpuInfo *info = topology.find(cpu);
    return info && info->maxFrequencyKHz ? double(*info->maxFrequencyKHz) * 1e3 : 0.0;
}

double kindMedian(CoreType kind, const std::vector<CoreFigures> &all, const CpuTopology &topology,
                  double CoreFigures::*field)
{
    std::vector<double> values;
    for (const CoreFigures &f : all)
        if (kindOf(f.cpu, topology) == kind && f.*field > 0.0)
            values.push_back(f.*field);
    return Median(values);
}

// The CPUs of a core other than `cpu` itself.
QString siblingsText(int cpu, const CpuTopology &topology)
{
    QStringList others;
    for (int sibling : topology.siblingsOf(cpu))
        others << QString::number(sibling);
    return others.isEmpty() ? NoSibling() : others.join(QLatin1Char(','));
}

QString clusterText(int cpu, const CpuTopology &topology)
{
    const CpuInfo *info = topology.find(cpu);
    if (!info || (!info->cluster && !info->package))
        return QStringLiteral("?");
    return QString::number(info->cluster.value_or(*info->package));
}

CoreFigures mediansOf(int cpu, const std::vector<RunRecord> &runs)
{
    CoreFigures f;
    f.cpu = cpu;
    std::vector<double> e, fl, i, clock;
    for (const RunRecord &run : runs) {
        e.push_back(run.test.scores.entier);
        fl.push_back(run.test.scores.flottant);
        i.push_back(run.test.scores.indice);
        for (double hz : {run.conditions.clockBeforeHz, run.conditions.clockAfterHz})
            if (hz > 0.0)
                clock.push_back(hz);
        const auto &before = run.conditions.throttleBefore, &after = run.conditions.throttleAfter;
        f.throttled = f.throttled || (before && after && *after != *before);
    }
    f.entier = Median(e);
    f.flottant = Median(fl);
    f.indice = Median(i);
    f.clockHz = Median(clock);
    return f;
}

void writeTable(const std::vector<CoreFigures> &all, const CpuTopology &topology, Output &out)
{
    std::vector<QStringList> slowReasons;
    for (const CoreFigures &f : all)
        slowReasons.push_back(SlowReasons(f, all, topology));
    out << PerCoreHeading();
    for (std::size_t c = 0; c < all.size(); ++c) {
        const CoreFigures &f = all[c];
        const bool slow = !slowReasons[c].isEmpty();
        out << QStringLiteral("%1  %2 %3  %4 %5 %6 %7  %8  %9%10\n")
                   .arg(QString::number(f.cpu).rightJustified(3), CoreKind(kindOf(f.cpu, topology)).leftJustified(12),
                        clusterText(f.cpu, topology).rightJustified(7), siblingsText(f.cpu, topology).rightJustified(10),
                        gigahertz(maxFrequencyHz(f.cpu, topology)).rightJustified(10),
                        gigahertz(f.clockHz).rightJustified(14), FormatFloat(float(f.entier)).rightJustified(10),
                        FormatFloat(float(f.flottant)).rightJustified(10), FormatFloat(float(f.indice)).rightJustified(10))
                   .arg(slow ? QStringLiteral(" *") : QString());
    }
    bool marked = false;
    for (std::size_t c = 0; c < all.size(); ++c) {
        if (slowReasons[c].isEmpty())
            continue;
        if (!marked)
            out << SlowHeading();
        marked = true;
        out << SlowLine(all[c].cpu, slowReasons[c]);
    }
    for (CoreType kind : {CoreType::Performance, CoreType::Efficiency, CoreType::Unknown}) {
        std::vector<double> values;
        for (const CoreFigures &f : all)
            if (kindOf(f.cpu, topology) == kind)
                values.push_back(f.indice);
        if (values.empty())
            continue;
        const Spread spread = SpreadOf(values);
        out << KindLine(kind, values.size(), Figure(spread.median),
                        Figure(spread.min > 0.0 ? 100.0 * (spread.max - spread.min) / spread.min : 0.0));
    }
    if (!marked)
        out << NoSlowCore();
}

void writeJson(const Conditions &before, const Conditions &after, const std::vector<CoreFigures> &all,
               const std::vector<std::vector<RunRecord>> &runs, const CpuTopology &topology, Output &out)
{
    JsonWriter json(out);
    json.beginObject();
    WriteProgramJson(json);
    json.key("mode").value("per_core");
    json.newline().key("conditions");
    WriteConditionsJson(before, after, json);
    json.newline().key("cpus").beginArray();
    for (std::size_t c = 0; c < all.size(); ++c) {
        const CoreFigures &f = all[c];
        const CpuInfo *info = topology.find(f.cpu);
        json.newline().beginObject();
        json.key("cpu").value(f.cpu);
        json.key("type").value(CoreTypeKey(kindOf(f.cpu, topology)));
        json.key("package").value(info ? info->package : std::nullopt);
        json.key("cluster").value(info ? info->cluster : std::nullopt);
        json.key("capacity").value(info ? info->capacity : std::nullopt);
        json.key("smt_siblings").beginArray();
        for (int sibling : topology.siblingsOf(f.cpu))
            json.value(sibling);
        json.endArray();
        json.key("max_frequency_hz").value(maxFrequencyHz(f.cpu, topology) > 0.0 ? std::optional(maxFrequencyHz(f.cpu, topology)) : std::nullopt);
        json.key("measured_clock_hz").value(f.clockHz > 0.0 ? std::optional(f.clockHz) : std::nullopt);
        json.key("integer").value(f.entier);
        json.key("floating").value(f.flottant);
        json.key("index").value(f.indice);
        json.key("runs").beginArray();
        for (const RunRecord &run : runs[c])
            json.beginObject()
                .key("integer").value(run.test.scores.entier)
                .key("floating").value(run.test.scores.flottant)
                .key("index").value(run.test.scores.indice)
                .key("valid").value(run.test.valid())
                .endObject();
        json.endArray();
        const QStringList reasons = SlowReasons(f, all, topology);
        json.key("slow").value(!reasons.isEmpty());
        json.key("reasons").beginArray();
        for (const QString &reason : reasons)
            json.value(reason);
        json.endArray().endObject();
    }
    json.endArray();
    json.endObject().newline();
}

} // namespace

QStringList SlowReasons(const CoreFigures &f, const std::vector<CoreFigures> &all, const CpuTopology &topology)
{
    const CoreType kind = kindOf(f.cpu, topology);
    const double median = kindMedian(kind, all, topology, &CoreFigures::indice);
    if (!(f.indice < SlowBelow * median))
        return {};
    QStringList reasons;
    double highest = 0.0;
    for (const CoreFigures &other : all)
        if (kindOf(other.cpu, topology) == kind)
            highest = std::max(highest, maxFrequencyHz(other.cpu, topology));
    if (const double own = maxFrequencyHz(f.cpu, topology); own > 0.0 && own < 0.98 * highest)
        reasons << LowerMaxFrequency(gigahertz(own), gigahertz(highest));
    if (const double clock = kindMedian(kind, all, topology, &CoreFigures::clockHz); f.clockHz > 0.0 && f.clockHz < 0.95 * clock)
        reasons << LowerClock(gigahertz(f.clockHz), gigahertz(clock));
    if (f.throttled)
        reasons << ThrottledReason();
    if (reasons.isEmpty())
        reasons << UnknownReason();
    return reasons;
}

int RunPerCoreMode(const PerCoreRequest &request, Output &out)
{
    const std::vector<int> cpus = UsableCpus();
    const CpuTopology topology = ReadCpuTopology();
    const Clock clock = ProcessClock(); // the clock "Tester" runs on
    const bool text = !request.json;
    const Conditions before = ReadConditions();
    if (text) {
        WriteConditionsText(before, out);
        out << PerCorePlan(cpus.size(), request.repeat);
        out.flush();
    }
    // Round after round rather than CPU after CPU: a disturbance then falls
    // on one run of every CPU, not on all the runs of one.
    std::vector<std::vector<RunRecord>> runs(cpus.size());
    for (int r = 0; r < request.repeat; ++r) {
        for (std::size_t c = 0; c < cpus.size(); ++c) {
            const PinnedThread pinned(cpus[c]);
            runs[c].push_back(RunOnce(clock, "/"));
            if (text) {
                out << PerCoreRunLine(cpus[c], runs[c].back().test.scores);
                out.flush();
            }
        }
    }
    const Conditions after = ReadConditions();
    std::vector<CoreFigures> all;
    for (std::size_t c = 0; c < cpus.size(); ++c)
        all.push_back(mediansOf(cpus[c], runs[c]));
    if (text)
        writeTable(all, topology, out);
    else
        writeJson(before, after, all, runs, topology, out);
    if (request.jsonCopy) {
        Output copy(*request.jsonCopy);
        writeJson(before, after, all, runs, topology, copy);
    }
    for (const std::vector<RunRecord> &cpu : runs)
        for (const RunRecord &run : cpu)
            if (!run.test.valid()) {
                out.flush();
                Say(Prefixed(WrongComputation(run.test)));
                return ExitFailure;
            }
    return 0;
}

} // namespace tarvo::cli
