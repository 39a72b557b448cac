#include "chart/ChartModel.h"

#include "core/Ansi.h"
#include "core/Conversions.h"
#include "core/Ranking.h"
#include "core/StoredResult.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <system_error>
#include <thread>

namespace tarvo::chart {

namespace {

struct Stored {
    double index;
    qsizetype row;
};

// Highest first; equal indexes in the file's sorted order, so that a picture
// drawn twice of one file is the same.
bool before(const Stored &a, const Stored &b)
{
    return a.index > b.index || (a.index == b.index && a.row > b.row);
}

Bar storedBar(const LineList &lines, const Stored &stored)
{
    const QByteArrayView bytes = lines.bytesAt(stored.row);
    const auto fields = ParseResultLine(bytes);
    Bar bar;
    bar.index = stored.index;
    bar.indexText = FormatFloat(float(stored.index));
    bar.label = QStringLiteral("%1 — %2 à %3")
                    .arg(fromAnsi(fields->processeur), IntToStr(fields->freqOrigine),
                         IntToStr(fields->freqOverclock));
    bar.line = fromAnsi(bytes);
    return bar;
}

Bar machineBar(const Machine &machine)
{
    Bar bar;
    bar.index = machine.index;
    bar.indexText = FormatFloat(float(machine.index));
    bar.label = machine.label.isEmpty() ? QStringLiteral("Cette machine") : machine.label;
    bar.line = QStringLiteral("Cette machine : %1").arg(bar.indexText);
    bar.marked = true;
    return bar;
}

// The bins span the 1st to the 99th percentile (and this machine), so that a
// few extreme lines do not squeeze every other result into one bin.
Histogram histogramOf(const std::vector<Stored> &stored, const std::optional<Machine> &machine)
{
    const auto last = stored.size() - 1;
    const auto quantile = [&](double p) { return stored[last - std::size_t(p * double(last))].index; };
    Histogram histogram;
    histogram.low = quantile(0.01);
    histogram.high = quantile(0.99);
    if (machine) {
        histogram.low = std::min(histogram.low, machine->index);
        histogram.high = std::max(histogram.high, machine->index);
    }
    if (!(histogram.high > histogram.low))
        histogram.high = histogram.low + 1.0;
    const double scale = HistogramBins / (histogram.high - histogram.low);
    const auto binOf = [&](double index) {
        const double bin = std::floor((index - histogram.low) * scale);
        return bin < 0.0 ? 0 : bin >= HistogramBins ? HistogramBins - 1 : int(bin);
    };
    histogram.counts.assign(HistogramBins, 0);
    for (const Stored &one : stored)
        ++histogram.counts[std::size_t(binOf(one.index))];
    if (machine)
        histogram.markedBin = binOf(machine->index);
    return histogram;
}

// The results among rows [first, end), read backwards: a sorted list read
// backwards is nearly always highest first already. Its lines lie in file
// order, all over memory: each is fetched some rows ahead, or nearly all the
// time goes waiting for memory.
void parseRows(const LineList &lines, qsizetype first, qsizetype end, std::vector<Stored> &into)
{
    constexpr qsizetype ahead = 64;
    into.reserve(std::size_t(end - first));
    for (qsizetype row = end - 1; row >= first; --row) {
        if (row - first >= ahead)
            __builtin_prefetch(lines.bytesAt(row - ahead).data());
        if (const auto fields = ParseResultLine(lines.bytesAt(row)))
            into.push_back({StoredValue(fields->indiceText), row});
    }
}

// A long list is taken apart in two halves side by side, as it is sorted.
std::vector<Stored> resultsOf(const LineList &lines)
{
    constexpr qsizetype parallelFrom = 100000;
    std::vector<Stored> high, low;
    const qsizetype middle = lines.size() / 2;
    bool split = false;
    if (lines.size() >= parallelFrom && std::thread::hardware_concurrency() > 1) {
        try {
            std::thread other([&] { parseRows(lines, 0, middle, low); });
            parseRows(lines, middle, lines.size(), high);
            other.join();
            split = true;
        } catch (const std::system_error &) {
            // No thread to be had: all on this one.
        }
    }
    if (!split) {
        high.clear();
        parseRows(lines, 0, lines.size(), high);
    } else {
        high.insert(high.end(), low.begin(), low.end());
    }
    if (!std::is_sorted(high.begin(), high.end(), before))
        std::sort(high.begin(), high.end(), before);
    return high;
}

} // namespace

ChartModel BuildModel(const LineList &lines, const std::optional<Machine> &machine)
{
    ChartModel model;
    const std::vector<Stored> stored = resultsOf(lines);
    model.results = std::int64_t(stored.size());
    model.leftOut = lines.size() - model.results;
    if (!stored.empty()) {
        const std::size_t n = stored.size();
        model.median = (stored[(n - 1) / 2].index + stored[n / 2].index) / 2.0;
    }

    // Where this machine goes: after every stored result higher than it.
    const auto higher = [&](double index) {
        return std::partition_point(stored.begin(), stored.end(), [&](const Stored &s) { return s.index > index; })
               - stored.begin();
    };
    const std::ptrdiff_t machineAt = machine ? higher(machine->index) : 0;
    if (machine)
        model.machinePosition = machineAt + 1;

    std::ptrdiff_t first = 0, end = std::ptrdiff_t(stored.size());
    if (model.results > AllBarsUpTo) {
        model.histogram = histogramOf(stored, machine);
        const std::ptrdiff_t half = NearestBars / 2;
        first = machine ? std::clamp<std::ptrdiff_t>(machineAt - half, 0, end - (NearestBars - 1)) : 0;
        end = first + (machine ? NearestBars - 1 : NearestBars);
    }
    for (std::ptrdiff_t i = first; i <= end; ++i) {
        if (machine && i == machineAt) {
            model.bars.push_back(machineBar(*machine));
            model.bars.back().position = machineAt + 1;
        }
        if (i == end)
            break;
        Bar bar = storedBar(lines, stored[std::size_t(i)]);
        bar.position = higher(bar.index) + 1 + (machine && machine->index > bar.index);
        model.bars.push_back(std::move(bar));
    }
    for (const Bar &bar : model.bars)
        model.highest = std::max(model.highest, bar.index);
    return model;
}

QString RankSummary(const ChartModel &model)
{
    if (!model.machinePosition) {
        if (!model.median)
            return QStringLiteral("Aucun résultat enregistré");
        return QStringLiteral("%1 résultat(s) ; médiane %2").arg(model.results).arg(FormatFloat(float(*model.median)));
    }
    const auto marked = std::find_if(model.bars.begin(), model.bars.end(), [](const Bar &b) { return b.marked; });
    return RankText({marked->index, *model.machinePosition, model.results + 1, model.median});
}

QString Description(const ChartModel &model)
{
    QString text = QStringLiteral("Graphique de %1 résultat(s) enregistré(s)").arg(model.results);
    if (model.leftOut > 0)
        text += QStringLiteral(", %1 ligne(s) écartée(s)").arg(model.leftOut);
    if (model.median)
        text += QStringLiteral(" ; médiane %1").arg(FormatFloat(float(*model.median)));
    if (model.machinePosition)
        text += QStringLiteral(" ; cette machine : %1").arg(RankSummary(model));
    return text + QLatin1Char('.');
}

} // namespace tarvo::chart
