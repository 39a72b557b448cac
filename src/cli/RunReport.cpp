#include "cli/RunReport.h"

#include "cli/Help.h"
#include "cli/Json.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"

#include <QDateTime>

namespace tarvo::cli {

namespace {

const QString unknown = QStringLiteral("inconnu");

QString gigahertz(double hz)
{
    return hz > 0.0 ? Figure(hz / 1e9) + QStringLiteral(" GHz") : unknown;
}

QString column(const QString &text, int width)
{
    return text.rightJustified(width);
}

QString powerText(const std::optional<Power> &power)
{
    if (!power)
        return unknown;
    return *power == Power::Battery ? QStringLiteral("batterie") : QStringLiteral("secteur");
}

QString throttleText(const std::optional<std::uint64_t> &events)
{
    return events ? QString::number(*events) : unknown;
}

void writeKernels(const TestRun &test, Output &out)
{
    out << QStringLiteral("\nCalcul   temps moyen          résultat\n");
    for (std::size_t k = 0; k < test.kernels.size(); ++k)
        out << QStringLiteral("%1   %2 ms   %3 MCPS\n")
                   .arg(column(QString::number(k + 1), 6),
                        column(FormatFloat(test.kernels[k].averageTime * 1000.0f), 11),
                        column(FormatFloat(test.kernels[k].result), 10));
}

void writeSpread(const QString &name, const Spread &spread, Output &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %\n")
               .arg(name.leftJustified(18), column(Figure(spread.median), 10), column(Figure(spread.min), 10),
                    column(Figure(spread.max), 10), column(Figure(spread.variationPercent), 8));
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
    json.key("throttle_count").value(c.throttleCount ? std::optional(std::int64_t(*c.throttleCount)) : std::nullopt);
    json.endObject();
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

// Whether every run computed right, in French: "résultat vérifié", or which
// kernels of which runs computed wrong.
void writeCheck(const Session &session, Output &out)
{
    if (AllValid(session)) {
        out << QStringLiteral("\nVérification : résultat vérifié (les calculs flottants 5 à 8 ont donné "
                              "exactement les valeurs attendues ; les calculs entiers 1 à 4 ne sont pas "
                              "vérifiés : lire leurs compteurs changerait ce qui est chronométré).\n");
        return;
    }
    for (std::size_t r = 0; r < session.runs.size(); ++r)
        if (!session.runs[r].test.valid())
            out << QStringLiteral("\nVérification : ÉCHEC%1.\n%2\n")
                       .arg(session.runs.size() > 1 ? QStringLiteral(" à l'essai %1").arg(r + 1) : QString(),
                            WrongComputation(session.runs[r].test));
}

std::optional<std::int64_t> counter(const std::optional<std::uint64_t> &count)
{
    return count ? std::optional(std::int64_t(*count)) : std::nullopt;
}

} // namespace

void WriteConditionsText(const Conditions &c, Output &out)
{
    QString load = unknown;
    if (c.load)
        load = QStringLiteral("%1 (1 min), %2 (5 min), %3 (15 min)")
                   .arg(Figure((*c.load)[0]), Figure((*c.load)[1]), Figure((*c.load)[2]));
    out << QStringLiteral("CPU Tarvo 32 %1 (%2)\n").arg(ProgramVersion(), Architecture());
    out << QStringLiteral("Conditions avant le test :\n");
    out << QStringLiteral("  processeur : %1\n").arg(c.processor.value_or(unknown));
    out << QStringLiteral("  processeurs en service : %1\n").arg(c.cpus ? QString::number(*c.cpus) : unknown);
    out << QStringLiteral("  gouverneur de fréquence : %1\n").arg(c.governor.value_or(unknown));
    out << QStringLiteral("  alimentation : %1\n").arg(powerText(c.power));
    out << QStringLiteral("  charge moyenne : %1\n").arg(load);
    out << QStringLiteral("  limitations thermiques (compteurs) : %1\n").arg(throttleText(c.throttleCount));
    out << QStringLiteral("Test en cours : huit calculs, cinq répétitions chacun.\n");
    out.flush();
}

void WriteRunLineText(const Session &session, Output &out)
{
    if (session.runs.size() == 1)
        out << QStringLiteral("\nEssai      entier    flottant      indice   fréquence avant / après\n");
    const RunRecord &run = session.runs.back();
    out << QStringLiteral("%1  %2  %3  %4   %5 / %6\n")
               .arg(column(QString::number(session.runs.size()), 5), column(FormatFloat(run.test.scores.entier), 10),
                    column(FormatFloat(run.test.scores.flottant), 10), column(FormatFloat(run.test.scores.indice), 10),
                    gigahertz(run.conditions.clockBeforeHz), gigahertz(run.conditions.clockAfterHz));
    out.flush();
}

void WriteConclusionText(const Session &session, const RunOutcome &outcome, Output &out)
{
    const std::vector<RunConditions> conditions = RunConditionsOf(session.runs);
    const bool repeated = session.runs.size() > 1;
    out << (repeated ? QStringLiteral("\nPendant les essais :\n") : QStringLiteral("\nPendant le test :\n"));
    if (!repeated)
        out << QStringLiteral("  fréquence mesurée du processeur : %1 avant, %2 après\n")
                   .arg(gigahertz(conditions[0].clockBeforeHz), gigahertz(conditions[0].clockAfterHz));
    const auto moved = ClockMovePercent(conditions);
    out << QStringLiteral("  écart de la fréquence mesurée : %1\n").arg(moved ? Figure(*moved) + " %" : unknown);
    out << QStringLiteral("  limitations thermiques : %1\n").arg(throttleText(ThrottleEvents(conditions)));
    const QStringList warnings = Warnings(session.before, conditions);
    for (const QString &warning : warnings)
        out << warning << '\n';

    writeCheck(session, out);
    if (!repeated) {
        const TestRun &test = session.runs[0].test;
        writeKernels(test, out);
        out << QStringLiteral("\nRésultat entier   : %1 MCPS\n").arg(FormatFloat(test.scores.entier));
        out << QStringLiteral("Résultat flottant : %1 MCPS\n").arg(FormatFloat(test.scores.flottant));
        out << QStringLiteral("Indice            : %1\n").arg(FormatFloat(test.scores.indice));
    } else {
        const Summary summary = Summarize(session.runs);
        out << QStringLiteral("\nSur %1 essais           médiane        min        max        CV\n")
                   .arg(session.runs.size());
        writeSpread(QStringLiteral("Résultat entier"), summary.entier, out);
        writeSpread(QStringLiteral("Résultat flottant"), summary.flottant, out);
        writeSpread(QStringLiteral("Indice"), summary.indice, out);
        const QString cv = Figure(summary.indice.variationPercent);
        if (summary.stable) {
            out << QStringLiteral("Verdict : stable (CV de l'indice %1 %, au plus 3 %).\n").arg(cv);
        } else {
            const QStringList changes = Changes(session.before, session.after, conditions);
            out << QStringLiteral("Verdict : instable (CV de l'indice %1 %, plus de 3 %) ; %2.\n")
                       .arg(cv, changes.isEmpty()
                                    ? QStringLiteral("aucune des conditions relevées n'a changé pendant les essais")
                                    : QStringLiteral("a changé pendant les essais : ") + changes.join(QStringLiteral(", ")));
        }
    }

    const QString which = repeated && outcome.chosenRun
        ? QStringLiteral(" (l'essai %1, dont l'indice est la médiane)").arg(*outcome.chosenRun + 1)
        : QString();
    if (outcome.saved) {
        out << QStringLiteral("\nRésultat enregistré dans %1%2.\n")
                   .arg(QString::fromLocal8Bit(outcome.saved->resultsPath), which);
        if (!outcome.saved->historiesAdded.isEmpty())
            out << QStringLiteral("Ajouté aux historiques : %1.\n").arg(outcome.saved->historiesAdded.join(", "));
    }
    if (outcome.ranking)
        out << QStringLiteral("Rang%1 : %2.\n").arg(which, RankText(*outcome.ranking));
}

void WriteConditionsJson(const Conditions &before, const Conditions &after, JsonWriter &json)
{
    json.beginObject();
    json.key("before");
    writeConditionsJson(before, json);
    json.key("after");
    writeConditionsJson(after, json);
    json.endObject();
}

void WriteProgramJson(JsonWriter &json)
{
    json.key("program").value("CPU Tarvo 32");
    json.key("version").value(ProgramVersion());
    json.key("architecture").value(Architecture());
    json.key("compiler").value(Compiler());
    json.key("date").value(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
}

void WriteSessionJson(const Session &session, std::int64_t ticksPerSecond, const RunOutcome &outcome, Output &out)
{
    const std::vector<RunConditions> conditions = RunConditionsOf(session.runs);
    JsonWriter json(out);
    json.beginObject();
    WriteProgramJson(json);
    json.newline().key("conditions").beginObject();
    json.key("before");
    writeConditionsJson(session.before, json);
    json.key("after");
    writeConditionsJson(session.after, json);
    json.key("throttle_events").value(counter(ThrottleEvents(conditions)));
    json.key("clock_move_percent").value(ClockMovePercent(conditions));
    json.endObject();
    json.newline().key("warnings").beginArray();
    for (const QString &warning : Warnings(session.before, conditions))
        json.value(warning);
    json.endArray();
    json.newline().key("clock_ticks_per_second").value(ticksPerSecond);
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
        json.key("clock_before_hz").value(run.conditions.clockBeforeHz > 0.0 ? std::optional(run.conditions.clockBeforeHz) : std::nullopt);
        json.key("clock_after_hz").value(run.conditions.clockAfterHz > 0.0 ? std::optional(run.conditions.clockAfterHz) : std::nullopt);
        json.key("throttle_before").value(counter(run.conditions.throttleBefore));
        json.key("throttle_after").value(counter(run.conditions.throttleAfter));
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

    json.newline().key("saved");
    if (outcome.saved) {
        json.beginObject();
        json.key("file").value(QString::fromLocal8Bit(outcome.saved->resultsPath));
        json.key("run").value(std::int64_t(outcome.chosenRun.value_or(0) + 1));
        json.key("histories_added").beginArray();
        for (const QString &file : outcome.saved->historiesAdded)
            json.value(file);
        json.endArray().endObject();
    } else {
        json.null();
    }
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
    json.endObject().newline();
}

} // namespace tarvo::cli
