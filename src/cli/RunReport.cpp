#include "cli/RunReport.h"

#include "cli/BuildInfo.h"
#include "cli/ConditionsTexts.h"
#include "cli/ReportTexts.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"

namespace tarvo::cli {

namespace {

QString column(const QString &text, int width)
{
    return text.rightJustified(width);
}

void writeKernels(const TestRun &test, Output &out)
{
    out << KernelsHeading();
    for (std::size_t k = 0; k < test.kernels.size(); ++k)
        out << QStringLiteral("%1   %2 ms   %3 MCPS\n")
                   .arg(column(QString::number(k + 1), 6),
                        column(FormatFloat(test.kernels[k].averageTime * 1000.0f), 11),
                        column(FormatFloat(test.kernels[k].result), 10));
}

void writeSpread(ResultName name, const Spread &spread, Output &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %\n")
               .arg(ResultTitle(name).leftJustified(18), column(Figure(spread.median), 10),
                    column(Figure(spread.min), 10), column(Figure(spread.max), 10),
                    column(Figure(spread.variationPercent), 8));
}

// Whether every run computed right, or which kernels of which runs computed wrong.
void writeCheck(const Session &session, Output &out)
{
    if (AllValid(session)) {
        out << CheckPassed();
        return;
    }
    for (std::size_t r = 0; r < session.runs.size(); ++r)
        if (!session.runs[r].test.valid())
            out << CheckFailed(session.runs.size() > 1 ? std::optional(r + 1) : std::nullopt,
                               WrongComputation(session.runs[r].test));
}

void writeSummary(const Session &session, const std::vector<RunConditions> &conditions, Output &out)
{
    const Summary summary = Summarize(session.runs);
    out << SpreadHeading(session.runs.size());
    writeSpread(ResultName::Integer, summary.entier, out);
    writeSpread(ResultName::Floating, summary.flottant, out);
    writeSpread(ResultName::Index, summary.indice, out);
    const QString cv = Figure(summary.indice.variationPercent);
    if (session.repeatAuto)
        out << AutoRepeatLine(session.runs.size(), summary.stable, AutoMostRuns);
    if (summary.stable)
        out << StableVerdict(cv);
    else
        out << UnstableVerdict(cv, Changes(session.before, session.after, conditions));
}

void writeSaved(const Saved &saved, const QString &which, Output &out)
{
    out << SavedLine(QString::fromLocal8Bit(saved.resultsPath), which);
    QStringList added, present, failed;
    for (const HistoryStatus &history : saved.histories)
        (history.what == HistoryStatus::Added ? added
         : history.what == HistoryStatus::AlreadyThere ? present : failed) << history.file;
    if (!added.isEmpty())
        out << HistoriesAdded(added);
    if (!present.isEmpty())
        out << HistoriesPresent(present);
    if (!failed.isEmpty())
        out << HistoriesFailed(failed);
}

} // namespace

void WriteConditionsText(const Conditions &c, Output &out)
{
    out << QStringLiteral("CPU Tarvo 32 %1 (%2)\n").arg(ProgramVersion(), Architecture());
    out << ConditionsLines(c);
    out.flush();
}

void WriteRunLineText(const Session &session, Output &out)
{
    if (session.runs.size() == 1)
        out << RunsHeading();
    const RunRecord &run = session.runs.back();
    out << QStringLiteral("%1  %2  %3  %4   %5   %6 / %7\n")
               .arg(column(QString::number(session.runs.size()), 5), column(FormatFloat(run.test.scores.entier), 10),
                    column(FormatFloat(run.test.scores.flottant), 10), column(FormatFloat(run.test.scores.indice), 10),
                    CpuWords(run.conditions).leftJustified(10), Gigahertz(run.conditions.clockBeforeHz),
                    Gigahertz(run.conditions.clockAfterHz));
    out.flush();
}

void WriteConclusionText(const Session &session, const RunOutcome &outcome, Output &out)
{
    const std::vector<RunConditions> conditions = RunConditionsOf(session.runs);
    const bool repeated = session.runs.size() > 1;
    out << DuringRuns(repeated);
    if (!session.warmupRuns.empty())
        out << WarmupLine(session.warmupRuns.size());
    if (!repeated)
        out << RunConditionsLines(conditions[0]);
    out << ClockSpreadLine(ClockMovePercent(conditions));
    out << ThrottleEventsLine(ThrottleEvents(conditions));
    const QStringList warnings = Warnings(session.before, conditions);
    for (const QString &warning : warnings)
        out << warning << '\n';

    writeCheck(session, out);
    if (!repeated) {
        writeKernels(session.runs[0].test, out);
        out << ResultLines(session.runs[0].test.scores);
    } else {
        writeSummary(session, conditions, out);
    }

    const QString which = repeated && outcome.chosenRun ? MedianRun(*outcome.chosenRun + 1) : QString();
    if (outcome.saved)
        writeSaved(*outcome.saved, which, out);
    if (outcome.ranking)
        out << RankLine(which, RankText(*outcome.ranking));
}

} // namespace tarvo::cli
