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

// --threads and --per-core; the rows' names are the text output's (ReportTexts.h).
QString ThreadsHeading(int threads, bool pinned);
QString DisturbedNote();
QString MediansCaption(int rounds);
QString MedianColumn();
QString EachCpuHeading();
QString CpuColumn();
QString TypeColumn();
QString ClusterColumn();
QString SiblingsColumn();
QString MaxFrequencyColumn();
QString MarkColumn();

// The stored results are one core's each: the many-core figures are not ranked.
QString ManyCoresNotRanked();

} // namespace tarvo::cli::pictures
