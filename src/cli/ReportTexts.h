// The French sentences of what the measuring modes report: the run's results
// and verdict, --threads' rounds, --per-core's table and --compare's verdicts.
// The modes compute and lay out the figures; the words are here. The machine's
// state is ConditionsTexts.h's, refusals CommandTexts.h's.
#pragma once

#include "core/CpuTopology.h"
#include "core/SpeedTest.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tarvo::cli {

// The three results, named as the windows name them.
enum class ResultName { Index, Integer, Floating };
QString ResultTitle(ResultName name);

// --run
QString KernelsHeading();
QString RunsHeading(); // over the line of each repeated run
QString DuringRuns(bool repeated);
QString WarmupLine(std::size_t runs);
QString ClockSpreadLine(const std::optional<double> &movedPercent);
QString ThrottleEventsLine(const std::optional<std::uint64_t> &events);
QString CheckPassed();
// `run` (counted from 1) is named when there were several.
QString CheckFailed(const std::optional<std::size_t> &run, const QString &wrong);
QString ResultLines(const Scores &scores);
QString SpreadHeading(std::size_t runs);
QString AutoRepeatLine(std::size_t runs, bool stable, int mostRuns);
QString StableVerdict(const QString &cv);
QString UnstableVerdict(const QString &cv, const QStringList &changes);
QString MedianRun(std::size_t run); // " (l'essai 3, dont l'indice est la médiane)"
QString SavedLine(const QString &resultsPath, const QString &which);
QString HistoriesAdded(const QStringList &files);
QString HistoriesPresent(const QStringList &files);
QString HistoriesFailed(const QStringList &files);
QString RankLine(const QString &which, const QString &rank);
QString IndexRankLine(const QString &index, const QString &rank);

// --threads
enum class ThreadsFigure { SingleIndex, MultiIndex, MultiIndexByWall, Scaling, Efficiency };
QString ThreadsFigureName(ThreadsFigure figure);
QString ThreadsPlan(int threads, bool pinned);
QString UnpinnedCpu();
QStringList RoundHeadings(int round); // the row over each round's table
QString SingleCoreRow();
QString ThreadRow(std::size_t thread);
QString MultiSumRow();
QString MultiByWallRow();
QString ScalingLine(const QString &scaling, const QString &efficiencyPercent);
// How far below the threads' figures the work over the wall time fell; the
// time the host took, when known ("1,20 s").
QString DisturbedLine(const QString &singlePercent, const QString &multiPercent, const QString &stolen);
QString ThreadsSpreadHeading(std::size_t rounds);

// --per-core
QString PerCorePlan(std::size_t cpus, int repeat);
QString PerCoreRunLine(int cpu, const Scores &scores);
QString CoreKind(CoreType type); // "performance", "efficacité", "unique"
QString NoSibling();
QString PerCoreHeading();
QString SlowHeading();
QString SlowLine(int cpu, const QStringList &reasons);
QString KindLine(CoreType kind, std::size_t cpus, const QString &median, const QString &spreadPercent);
QString NoSlowCore();
QString LowerMaxFrequency(const QString &own, const QString &highest);
QString LowerClock(const QString &clock, const QString &median);
QString ThrottledReason();
QString UnknownReason();

// --compare
QString TooFewRuns();
QString Interval(const QString &low, const QString &high);
QString NoDifference(const QString &ratio, const QString &interval, const QString &p);
QString Significant(bool faster, const QString &by, const QString &interval, const QString &p);
QString DifferentMachines(const QString &a, const QString &b);
// The facts of two documents that must match, and their names.
struct ComparedFact {
    const char *path; // in the JSON document, members joined by '.'
    const char *name; // UTF-8
};
inline constexpr ComparedFact ComparedFacts[] = {
    {"version", "la version du programme"}, {"architecture", "l'architecture"}, {"compiler", "le compilateur"},
    {"conditions.before.virtual_machine", "la machine virtuelle"}, {"conditions.before.smt", "le SMT"},
    {"conditions.before.turbo", "le turbo"}, {"conditions.before.governor", "le gouverneur de fréquence"},
    {"conditions.before.power", "l'alimentation"}};
QString FactDiffers(const char *name, const QString &a, const QString &b);
QString InvalidRunsLeftOut(int runs, const QString &file);
QString BothDocuments(); // "A et B", of a warning both carry
QString CompareHeading(const QString &a, std::size_t runsA, const QString &b, std::size_t runsB);
QString CompareMethod();

} // namespace tarvo::cli
