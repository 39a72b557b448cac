// The run mode's JSON document: the program, the conditions, every run with
// its kernels and their check, the summary, what was saved and ranked.
#include "cli/RunReport.h"

#include "cli/BuildInfo.h"
#include "cli/ConditionsTexts.h"
#include "cli/Json.h"
#include "cli/MachineFacts.h"

#include <QDateTime>

namespace tarvo::cli {

namespace {

std::optional<std::int64_t> counter(const std::optional<std::uint64_t> &count)
{
    return count ? std::optional(std::int64_t(*count)) : std::nullopt;
}

void writeSpreadJson(const char *name, const Spread &spread, JsonWriter &json)
{
    json.key(name).beginObject();
    json.key("median").value(spread.median);
    json.key("min").value(spread.min);
    json.key("max").value(spread.max);
    json.key("cv_percent").value(spread.variationPercent);
    json.endObject();
}

std::optional<QString> coreTypeName(CoreType type)
{
    if (type == CoreType::Unknown)
        return std::nullopt;
    return QString::fromLatin1(CoreTypeKey(type));
}

std::optional<std::int64_t> known(int cpu)
{
    return cpu >= 0 ? std::optional<std::int64_t>(cpu) : std::nullopt;
}

void writeRunConditionsJson(const RunConditions &c, JsonWriter &json)
{
    json.key("clock_before_hz").value(c.clockBeforeHz > 0.0 ? std::optional(c.clockBeforeHz) : std::nullopt);
    json.key("clock_after_hz").value(c.clockAfterHz > 0.0 ? std::optional(c.clockAfterHz) : std::nullopt);
    json.key("throttle_before").value(counter(c.throttleBefore));
    json.key("throttle_after").value(counter(c.throttleAfter));
    json.key("cpu_before").value(known(c.cpuBefore));
    json.key("cpu").value(known(c.cpuAfter));
    json.key("core_type").value(coreTypeName(c.coreType));
    json.key("max_frequency_khz").value(c.maxFrequencyKHz);
    json.key("current_frequency_khz").value(c.currentFrequencyKHz);
    json.key("sibling_busy_percent").value(c.siblingBusyPercent);
}

void writeConditionsJson(const Conditions &c, JsonWriter &json)
{
    json.beginObject();
    json.key("processor").value(c.processor);
    json.key("cpus").value(c.cpus);
    json.key("governor").value(c.governor);
    json.key("power");
    if (c.power)
        json.value(*c.power == Power::Battery ? "battery" : "mains");
    else
        json.null();
    json.key("load");
    if (c.load)
        json.beginArray().value((*c.load)[0]).value((*c.load)[1]).value((*c.load)[2]).endArray();
    else
        json.null();
    json.key("throttle_count").value(counter(c.throttleCount));
    // Its name (or "inconnu"), false on bare metal, null when unknown.
    json.key("virtual_machine");
    if (!c.virtualMachine)
        json.null();
    else if (c.virtualMachine->present)
        json.value(c.virtualMachine->name.isEmpty() ? Unknown() : c.virtualMachine->name);
    else
        json.value(false);
    json.key("smt").value(c.smt);
    json.key("turbo").value(c.turbo);
    json.endObject();
}

// The members "before" and "after" of the object being written.
void writeBeforeAfterJson(const Conditions &before, const Conditions &after, JsonWriter &json)
{
    json.key("before");
    writeConditionsJson(before, json);
    json.key("after");
    writeConditionsJson(after, json);
}

} // namespace

void WriteConditionsJson(const Conditions &before, const Conditions &after, JsonWriter &json)
{
    json.beginObject();
    writeBeforeAfterJson(before, after, json);
    json.endObject();
}

void WriteProgramJson(JsonWriter &json)
{
    json.key("program").value(ProgramName);
    json.key("version").value(ProgramVersion());
    json.key("architecture").value(Architecture());
    json.key("compiler").value(Compiler());
    json.key("date").value(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
}

namespace {

void writeRunsJson(const Session &session, JsonWriter &json)
{
    json.key("runs").beginArray();
    for (std::size_t r = 0; r < session.runs.size(); ++r) {
        const RunRecord &run = session.runs[r];
        json.newline().beginObject();
        json.key("run").value(std::int64_t(r + 1));
        json.key("integer").value(run.test.scores.entier);
        json.key("floating").value(run.test.scores.flottant);
        json.key("index").value(run.test.scores.indice);
        json.key("valid").value(run.test.valid());
        json.key("wall_seconds").value(run.wallSeconds);
        writeRunConditionsJson(run.conditions, json);
        json.key("kernels").beginArray();
        for (std::size_t k = 0; k < run.test.kernels.size(); ++k) {
            const KernelTiming &kernel = run.test.kernels[k];
            json.beginObject();
            json.key("kernel").value(std::int64_t(k + 1));
            json.key("average_time").value(kernel.averageTime);
            json.key("result").value(kernel.result);
            // Null for the integer kernels, which are not checked.
            json.key("valid").value(kernel.check ? std::optional(kernel.check->valid) : std::nullopt);
            if (kernel.check)
                json.key("expected").value(kernel.check->expected).key("outcome").value(kernel.check->outcome);
            json.key("readings").beginArray();
            for (const ClockReadings &reading : kernel.readings)
                json.beginArray().value(reading.start).value(reading.end).endArray();
            json.endArray().endObject();
        }
        json.endArray().endObject();
    }
    json.endArray();
}

void writeSummaryJson(const Session &session, const std::vector<RunConditions> &conditions, JsonWriter &json)
{
    const Summary summary = Summarize(session.runs);
    json.newline().key("summary").beginObject();
    writeSpreadJson("integer", summary.entier, json);
    writeSpreadJson("floating", summary.flottant, json);
    writeSpreadJson("index", summary.indice, json);
    json.key("stable").value(summary.stable);
    json.key("changes").beginArray();
    for (const QString &change : Changes(session.before, session.after, conditions))
        json.value(change);
    json.endArray().endObject();
}

void writeSavedJson(const RunOutcome &outcome, JsonWriter &json)
{
    json.newline().key("saved");
    if (outcome.saved) {
        json.beginObject();
        json.key("file").value(QString::fromLocal8Bit(outcome.saved->resultsPath));
        json.key("run").value(std::int64_t(outcome.chosenRun.value_or(0) + 1));
        json.key("histories_added").beginArray();
        for (const HistoryStatus &history : outcome.saved->histories)
            if (history.what == HistoryStatus::Added)
                json.value(history.file);
        json.endArray();
        json.key("histories").beginObject();
        for (const HistoryStatus &history : outcome.saved->histories) {
            json.key(history.file.toStdString()).beginObject();
            json.key("status").value(history.what == HistoryStatus::Added          ? "added"
                                     : history.what == HistoryStatus::AlreadyThere ? "present"
                                                                                   : "failed");
            if (history.what == HistoryStatus::Failed)
                json.key("reason").value(history.reason);
            json.endObject();
        }
        json.endObject().endObject();
    } else {
        json.null();
    }
}

void writeRankJson(const RunOutcome &outcome, JsonWriter &json)
{
    json.newline().key("rank");
    if (outcome.ranking) {
        const Ranking &rank = *outcome.ranking;
        json.beginObject();
        json.key("run").value(std::int64_t(outcome.chosenRun.value_or(0) + 1));
        json.key("index").value(rank.index);
        json.key("position").value(rank.position);
        json.key("count").value(rank.count);
        json.key("median").value(rank.median);
        json.key("ratio").value(rank.median && *rank.median > 0.0 ? std::optional(rank.index / *rank.median) : std::nullopt);
        json.key("text").value(RankText(rank));
        json.endObject();
    } else {
        json.null();
    }
}

} // namespace

void WriteSessionJson(const Session &session, std::int64_t ticksPerSecond, const RunOutcome &outcome, Output &out)
{
    const std::vector<RunConditions> conditions = RunConditionsOf(session.runs);
    JsonWriter json(out);
    json.beginObject();
    WriteProgramJson(json);
    // 2: the kernels' check, the machine's identity, the runs' CPUs.
    json.key("format_version").value(std::int64_t(2));
    json.key("machine_id").value(MachineIdentity());
    json.newline().key("conditions").beginObject();
    writeBeforeAfterJson(session.before, session.after, json);
    json.key("throttle_events").value(counter(ThrottleEvents(conditions)));
    json.key("clock_move_percent").value(ClockMovePercent(conditions));
    json.endObject();
    json.newline().key("warnings").beginArray();
    for (const QString &warning : Warnings(session.before, conditions))
        json.value(warning);
    json.endArray();
    json.newline().key("clock_ticks_per_second").value(ticksPerSecond);
    json.key("warmup").value(std::int64_t(session.warmupRuns.size()));
    json.key("repeat_auto").value(session.repeatAuto);
    writeRunsJson(session, json);
    writeSummaryJson(session, conditions, json);
    writeSavedJson(outcome, json);
    writeRankJson(outcome, json);
    json.endObject().newline();
}

} // namespace tarvo::cli
