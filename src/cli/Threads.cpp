#include "cli/Threads.h"

#include "cli/CommandTexts.h"
#include "cli/CommandLine.h"
#include "cli/Conditions.h"
#include "cli/Json.h"
#include "cli/MachineFacts.h"
#include "cli/ReportTexts.h"
#include "cli/RunReport.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"
#include "core/Spread.h"
#include "core/ThreadedRun.h"

#include <charconv>
#include <string_view>
#include <unistd.h>

namespace tarvo::cli {

namespace {

struct Round {
    ThreadedRun single, multi;
    MultiCoreScores singleScores, multiScores;
    std::optional<double> stolenSeconds; // by the host, during the multi-core run

    // The work over the wall time on both sides, so that a disturbed run is
    // not hidden by the threads' own clocks.
    double scaling() const
    {
        return singleScores.byWall.indice > 0.0f ? double(multiScores.byWall.indice) / singleScores.byWall.indice
                                                 : 0.0;
    }
    double efficiency() const { return scaling() / double(multi.threads.size()); }
    bool disturbed() const { return singleScores.disturbed() || multiScores.disturbed(); }
};

// The time the host of a virtual machine gave to others while this one's
// CPUs wanted it: /proc/stat's "steal", summed over the CPUs.
std::optional<double> stolenSeconds()
{
    const std::optional<CpuTimes> times = ReadAllCpuTimes("/");
    if (!times || !times->steal)
        return std::nullopt;
    return double(*times->steal) / double(sysconf(_SC_CLK_TCK));
}

Round runRound(const std::vector<std::optional<int>> &cpus)
{
    Round round;
    round.single = RunThreaded({cpus.front()});
    round.singleScores = Combine(round.single);
    const auto stolenBefore = stolenSeconds();
    round.multi = RunThreaded(cpus);
    const auto stolenAfter = stolenSeconds();
    round.multiScores = Combine(round.multi);
    if (stolenBefore && stolenAfter)
        round.stolenSeconds = *stolenAfter - *stolenBefore;
    return round;
}

QString cpuText(const std::optional<int> &cpu)
{
    return cpu ? QString::number(*cpu) : UnpinnedCpu();
}

QString seconds(double value)
{
    return Figure(value) + QStringLiteral(" s");
}

void writeRow(const QString &name, const QString &cpu, const QString &entier, const QString &flottant,
              const QString &indice, const QString &processor, const QString &wall, Output &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(name.leftJustified(28), cpu.rightJustified(10),
                                                  entier.rightJustified(10), flottant.rightJustified(10),
                                                  indice.rightJustified(10), processor.rightJustified(10),
                                                  wall.rightJustified(10))
                                            .trimmed()
        << '\n';
}

void writeRow(const QString &name, const QString &cpu, const Scores &s, const QString &processor,
              const QString &wall, Output &out)
{
    writeRow(name, cpu, FormatFloat(s.entier), FormatFloat(s.flottant), FormatFloat(s.indice), processor, wall,
             out);
}

// How far below the threads' own figures the work over the wall time fell, in percent.
double shortfallPercent(const MultiCoreScores &scores)
{
    return scores.sum.indice > 0.0f ? 100.0 * (1.0 - double(scores.byWall.indice) / scores.sum.indice) : 0.0;
}

void writeRoundText(int number, const Round &round, Output &out)
{
    out << '\n';
    const QStringList headings = RoundHeadings(number);
    writeRow(headings[0], headings[1], headings[2], headings[3], headings[4], headings[5], headings[6], out);
    const ThreadOutcome &single = round.single.threads.front();
    writeRow(SingleCoreRow(), cpuText(single.cpu), single.test.scores,
             seconds(single.processorSeconds), seconds(round.single.wallSeconds), out);
    for (std::size_t t = 0; t < round.multi.threads.size(); ++t) {
        const ThreadOutcome &thread = round.multi.threads[t];
        writeRow(ThreadRow(t + 1), cpuText(thread.cpu), thread.test.scores,
                 seconds(thread.processorSeconds), QString(), out);
    }
    writeRow(MultiSumRow(), QString(), round.multiScores.sum, QString(), QString(),
             out);
    writeRow(MultiByWallRow(), QString(), round.multiScores.byWall, QString(),
             seconds(round.multi.wallSeconds), out);
    out << ScalingLine(Figure(round.scaling()), Figure(100.0 * round.efficiency()));
    if (round.disturbed())
        out << DisturbedLine(Figure(shortfallPercent(round.singleScores)), Figure(shortfallPercent(round.multiScores)),
                             round.stolenSeconds ? seconds(*round.stolenSeconds) : QString());
    out.flush();
}

template <typename F>
std::vector<double> valuesOf(const std::vector<Round> &rounds, F f)
{
    std::vector<double> values;
    for (const Round &round : rounds)
        values.push_back(f(round));
    return values;
}

struct Figures {
    const char *key;
    QString name;
    std::vector<double> values;
};

std::vector<Figures> summaryFigures(const std::vector<Round> &rounds)
{
    return {
        {"single_index", ThreadsFigureName(ThreadsFigure::SingleIndex),
         valuesOf(rounds, [](const Round &r) { return double(r.singleScores.sum.indice); })},
        {"multi_index", ThreadsFigureName(ThreadsFigure::MultiIndex),
         valuesOf(rounds, [](const Round &r) { return double(r.multiScores.sum.indice); })},
        {"multi_index_by_wall", ThreadsFigureName(ThreadsFigure::MultiIndexByWall),
         valuesOf(rounds, [](const Round &r) { return double(r.multiScores.byWall.indice); })},
        {"scaling", ThreadsFigureName(ThreadsFigure::Scaling), valuesOf(rounds, [](const Round &r) { return r.scaling(); })},
        {"efficiency", ThreadsFigureName(ThreadsFigure::Efficiency), valuesOf(rounds, [](const Round &r) { return r.efficiency(); })},
    };
}

void writeSummaryText(const std::vector<Round> &rounds, Output &out)
{
    out << ThreadsSpreadHeading(rounds.size());
    for (const Figures &f : summaryFigures(rounds)) {
        const Spread spread = SpreadOf(f.values);
        out << QStringLiteral("%1 %2 %3 %4 %5 %\n")
                   .arg(f.name.leftJustified(28), Figure(spread.median).rightJustified(10),
                        Figure(spread.min).rightJustified(10), Figure(spread.max).rightJustified(10),
                        Figure(spread.variationPercent).rightJustified(8));
    }
}

void writeScoresJson(const Scores &s, JsonWriter &json)
{
    json.key("integer").value(s.entier);
    json.key("floating").value(s.flottant);
    json.key("index").value(s.indice);
}

void writeThreadJson(const ThreadOutcome &thread, JsonWriter &json)
{
    json.key("cpu").value(thread.cpu);
    writeScoresJson(thread.test.scores, json);
    json.key("processor_seconds").value(thread.processorSeconds);
    json.key("valid").value(thread.test.valid());
}

// The first thread, of any round, whose floating kernels computed wrong.
const TestRun *wrongRun(const std::vector<Round> &rounds)
{
    for (const Round &round : rounds)
        for (const ThreadedRun *run : {&round.single, &round.multi})
            for (const ThreadOutcome &thread : run->threads)
                if (!thread.test.valid())
                    return &thread.test;
    return nullptr;
}

void writeRoundJson(int number, const Round &round, JsonWriter &json)
{
    json.newline().beginObject();
    json.key("run").value(number);
    json.key("single").beginObject();
    writeThreadJson(round.single.threads.front(), json);
    json.key("wall_seconds").value(round.single.wallSeconds);
    json.endObject();
    json.key("threads").beginArray();
    for (std::size_t t = 0; t < round.multi.threads.size(); ++t) {
        json.beginObject().key("thread").value(std::int64_t(t + 1));
        writeThreadJson(round.multi.threads[t], json);
        json.endObject();
    }
    json.endArray();
    json.key("multi").beginObject();
    writeScoresJson(round.multiScores.sum, json);
    json.key("by_wall").beginObject();
    writeScoresJson(round.multiScores.byWall, json);
    json.endObject();
    json.key("wall_seconds").value(round.multi.wallSeconds);
    json.endObject();
    json.key("scaling").value(round.scaling());
    json.key("efficiency").value(round.efficiency());
    json.key("disturbed").value(round.disturbed());
    json.key("stolen_seconds").value(round.stolenSeconds);
    json.endObject();
}

void writeJson(const ThreadsRequest &request, const Conditions &before, const Conditions &after,
               const std::vector<Round> &rounds, Output &out)
{
    JsonWriter json(out);
    json.beginObject();
    WriteProgramJson(json);
    json.key("mode").value("threads");
    json.key("threads").value(request.threads);
    json.key("pinned").value(request.pin);
    json.newline().key("conditions");
    WriteConditionsJson(before, after, json);
    json.newline().key("runs").beginArray();
    for (std::size_t r = 0; r < rounds.size(); ++r)
        writeRoundJson(int(r + 1), rounds[r], json);
    json.endArray();
    json.newline().key("summary").beginObject();
    for (const Figures &f : summaryFigures(rounds))
        json.key(f.key).value(Median(f.values));
    bool disturbed = false;
    for (const Round &round : rounds)
        disturbed = disturbed || round.disturbed();
    json.key("disturbed").value(disturbed);
    json.endObject();
    json.endObject().newline();
}

} // namespace

ThreadCount ParseThreadCount(const char *text, int usable)
{
    const std::string_view value(text);
    if (value == "all")
        return {usable, {}};
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (value.empty() || end != value.data() + value.size() || (error != std::errc() && error != std::errc::result_out_of_range))
        return {0, BadThreadCount(QString::fromLocal8Bit(text))};
    if (error == std::errc() && count < 1)
        return {0, TooFewThreads(count)};
    if (error != std::errc() || count > usable)
        return {0, TooManyThreads(QString::fromLocal8Bit(text), usable)};
    return {count, {}};
}

int RunThreadsMode(const ThreadsRequest &request, Output &out)
{
    const std::vector<int> usable = UsableCpus();
    std::vector<std::optional<int>> cpus(std::size_t(request.threads), std::nullopt);
    if (request.pin)
        for (std::size_t t = 0; t < cpus.size() && t < usable.size(); ++t)
            cpus[t] = usable[t];

    const bool text = !request.json;
    const Conditions before = ReadConditions();
    if (text) {
        WriteConditionsText(before, out);
        out << ThreadsPlan(request.threads, request.pin);
        out.flush();
    }
    std::vector<Round> rounds;
    for (int r = 0; r < request.repeat; ++r) {
        rounds.push_back(runRound(cpus));
        if (text)
            writeRoundText(r + 1, rounds.back(), out);
    }
    const Conditions after = ReadConditions();
    if (text && rounds.size() > 1)
        writeSummaryText(rounds, out);
    if (!text)
        writeJson(request, before, after, rounds, out);
    if (request.jsonCopy) {
        Output copy(*request.jsonCopy);
        writeJson(request, before, after, rounds, copy);
    }
    if (const TestRun *wrong = wrongRun(rounds)) {
        out.flush();
        Say(Prefixed(WrongComputation(*wrong)));
        return ExitFailure;
    }
    return 0;
}

} // namespace tarvo::cli
