// What the picture of a results file shows, decided apart from any drawing so
// that the window, the image files and the report place the same things: the
// results as bars when they are few, the spread of every index plus the bars
// nearest "this machine" when they are many, this machine's rank and its ratio
// to the median, and how many lines were not results lines. The lines are
// those of the core's list (LineList.h), read in the order of memory and each
// taken apart by the results line's parser; only the bars shown are put in
// order. The drawing is ChartPainter.h.
#pragma once

#include "core/LineList.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tarvo::chart {

// Up to this many results, every one is a bar.
inline constexpr std::int64_t AllBarsUpTo = 40;
// Beyond, the bars around this machine (or the highest ones): so many.
inline constexpr int NearestBars = 15;
inline constexpr int HistogramBins = 40;

struct Bar {
    double index = 0.0;
    QString indexText;      // as the windows show numbers (FormatFloat)
    QString label;          // processor and frequencies
    QString line;           // the whole line, or this machine's description
    std::int64_t position = 0; // 1 for the highest index
    bool marked = false;    // this machine
};

struct Histogram {
    double low = 0.0, high = 0.0; // the bins' span; the extremes fall in the end bins
    std::vector<std::int64_t> counts;
    int markedBin = -1;
};

// This machine: a run's index, or one given on the command line.
struct Machine {
    double index = 0.0;     // two decimals, as its line would store it
    QString label;          // empty: "cette machine"
};

struct ChartModel {
    std::int64_t results = 0;  // well-formed results lines
    std::int64_t leftOut = 0;  // other lines, not drawn
    std::optional<double> median; // of the stored indexes
    double highest = 0.0;      // of everything drawn, bars' scale
    std::optional<std::int64_t> machinePosition; // among results and machine
    std::vector<Bar> bars;     // highest first
    std::optional<Histogram> histogram; // only beyond AllBarsUpTo
};

ChartModel BuildModel(const LineList &lines, const std::optional<Machine> &machine);

// "12e sur 341" and the ratio to the median, or the count alone.
QString RankSummary(const ChartModel &model);

// Count, median and rank in one sentence, for a screen reader and the report.
QString Description(const ChartModel &model);

} // namespace tarvo::chart
