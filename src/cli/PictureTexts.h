// The French words of --chart's and --report's pages: the report's headings,
// table heads and sentences, and the multi-core sections' names. The report
// lays out the figures and escapes them; the words are here, apart from the
// command line's refusals (CommandTexts.h) and the modes' own output.
#pragma once

#include <QString>

namespace tarvo::cli::pictures {

QString ReportTitle();
QString DateLine(const QString &date);
QString RunsHeading();
QString ConditionsHeading();
QString NoRunHere();
QString RankHeading();
QString ThisMachine(const QString &rank);
QString StoredHeading();

// Table heads: the run or row, each kernel, the three results.
QString RunColumn();
QString KernelColumn(int kernel);
QString IntegerColumn();
QString FloatingColumn();
QString IndexColumn();

// --threads: each round's rows, its scaling, the medians of repeated rounds.
QString ThreadsHeading(int threads, bool pinned);
QString RoundCaption(int round);
QString CpuColumn();
QString UnpinnedCpu();
QString SingleCoreRow();
QString ThreadRow(int thread);
QString MultiSumRow();
QString MultiWallRow();
QString ScalingLine(const QString &scaling, const QString &efficiencyPercent);
QString DisturbedLine();
QString MediansCaption(int rounds);
QString MedianColumn();
QString SingleIndexName();
QString MultiIndexName();
QString MultiWallIndexName();
QString ScalingName();
QString EfficiencyName();

// --per-core: one row per CPU.
QString PerCoreHeading();
QString CoreTypeName(const QString &jsonKey); // "performance", "efficiency", else the unknown kind
QString ClusterColumn();
QString TypeColumn();
QString SiblingsColumn();
QString MaxFrequencyColumn();
QString MarkColumn();
QString NoSiblings();
QString Gigahertz(const QString &value);

// The stored results are one core's each: the many-core figures are not ranked.
QString ManyCoresNotRanked();

} // namespace tarvo::cli::pictures
