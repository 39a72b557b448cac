#include "chart/ChartModel.h"

#include "core/Ansi.h"
#include "core/Conversions.h"
#include "core/Ranking.h"
#include "core/StoredResult.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <functional>
#include <limits>
#include <system_error>
#include <thread>

namespace tarvo::chart {

namespace {

struct Stored {
    double index;
    QByteArrayView line;
};

// Highest first; equal indexes in the list's order read backwards, greater
// bytes first, so that a picture drawn twice of one file is the same.
bool before(const Stored &a, const Stored &b)
{
    if (a.index != b.index)
        return a.index > b.index;
    const int bytes = std::memcmp(a.line.data(), b.line.data(), std::size_t(std::min(a.line.size(), b.line.size())));
    return bytes > 0 || (bytes == 0 && a.line.size() > b.line.size());
}

Bar storedBar(const Stored &stored)
{
    const auto fields = ParseResultLine(stored.line);
    Bar bar;
    bar.index = stored.index;
    bar.indexText = FormatFloat(float(stored.index));
    bar.label = QStringLiteral("%1 — %2 à %3")
                    .arg(fromAnsi(fields->processeur), IntToStr(fields->freqOrigine),
                         IntToStr(fields->freqOverclock));
    bar.line = fromAnsi(stored.line);
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

// The stored indexes, lowest first, enough of them in place to read the
// median and the 1st and 99th percentiles: nth_element, each search within
// what the one before left, rather than a sort of them all.
struct Spread {
    std::vector<double> ascending;
    std::size_t low = 0, middleLow = 0, middleHigh = 0, high = 0;

    explicit Spread(const std::vector<Stored> &stored)
    {
        ascending.reserve(stored.size());
        for (const Stored &one : stored)
            ascending.push_back(one.index);
        const std::size_t n = ascending.size(), last = n - 1;
        low = std::size_t(0.01 * double(last));
        middleLow = last - n / 2;
        middleHigh = last - last / 2;
        high = std::size_t(0.99 * double(last));
        std::array<std::size_t, 4> at = {low, middleLow, middleHigh, high};
        std::sort(at.begin(), at.end());
        // Each search leaves the places after its own no lower: the next one
        // looks only there.
        std::size_t from = 0;
        for (const std::size_t place : at) {
            if (place < from)
                continue; // the same place again
            std::nth_element(ascending.begin() + std::ptrdiff_t(from), ascending.begin() + std::ptrdiff_t(place),
                             ascending.end());
            from = place + 1;
        }
    }
};

// The bins span the 1st to the 99th percentile (and this machine), so that a
// few extreme lines do not squeeze every other result into one bin.
Histogram histogramOf(const Spread &spread, const std::optional<Machine> &machine)
{
    Histogram histogram;
    histogram.low = spread.ascending[spread.low];
    histogram.high = spread.ascending[spread.high];
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
    for (const double index : spread.ascending)
        ++histogram.counts[std::size_t(binOf(index))];
    if (machine)
        histogram.markedBin = binOf(machine->index);
    return histogram;
}

// The results among `bytes`, whole lines, in file order. A line ends at the
// first CR or LF; each is looked for by memchr, far faster than a byte at a
// time over lines of a hundred bytes.
void parseLines(QByteArrayView bytes, std::vector<Stored> &into)
{
    if (bytes.isEmpty())
        return;
    const char *at = bytes.data(), *const end = at + bytes.size();
    const auto next = [end](const char *from, char c) {
        const void *found = std::memchr(from, c, std::size_t(end - from));
        return found ? static_cast<const char *>(found) : end;
    };
    const char *cr = next(at, '\r'), *lf = next(at, '\n');
    while (at < end) {
        if (cr < at)
            cr = next(at, '\r');
        if (lf < at)
            lf = next(at, '\n');
        const char *lineEnd = std::min(cr, lf);
        if (lineEnd > at) {
            const QByteArrayView line(at, lineEnd - at);
            if (const auto fields = ParseResultLine(line))
                into.push_back({StoredValue(fields->indiceText), line});
        }
        if (lineEnd == end)
            break;
        at = lineEnd + 1;
    }
}

// Every line taken apart in the order of memory, where a sorted list's rows
// lie all over it; a long list in two halves side by side, cut at a line end.
// A line holds no CR or LF, so every stretch without one is a line.
std::vector<Stored> resultsOf(const LineList &lines)
{
    constexpr qsizetype parallelFrom = 100000;
    const QByteArrayView bytes = lines.heldBytes();
    std::vector<Stored> first, second;
    first.reserve(std::size_t(lines.size()));
    if (lines.size() >= parallelFrom && std::thread::hardware_concurrency() > 1) {
        qsizetype middle = bytes.size() / 2;
        while (middle < bytes.size() && bytes[middle] != '\r' && bytes[middle] != '\n')
            ++middle;
        try {
            second.reserve(std::size_t(lines.size() / 2 + 1));
            std::thread other([&] { parseLines(bytes.sliced(middle), second); });
            parseLines(bytes.first(middle), first);
            other.join();
            first.insert(first.end(), second.begin(), second.end());
            return first;
        } catch (const std::system_error &) {
            // No thread to be had: all on this one.
            first.clear();
        }
    }
    parseLines(bytes, first);
    return first;
}

// How many stored results are above `index`.
std::ptrdiff_t higher(const std::vector<double> &ascending, double index)
{
    return std::count_if(ascending.begin(), ascending.end(), [index](double stored) { return stored > index; });
}

} // namespace

ChartModel BuildModel(const LineList &lines, const std::optional<Machine> &machine)
{
    ChartModel model;
    std::vector<Stored> stored = resultsOf(lines);
    model.results = std::int64_t(stored.size());
    model.leftOut = lines.size() - model.results;
    const std::ptrdiff_t count = std::ptrdiff_t(stored.size());
    std::optional<Spread> spread;
    if (count > 0) {
        spread.emplace(stored);
        model.median = (spread->ascending[spread->middleLow] + spread->ascending[spread->middleHigh]) / 2.0;
    }

    // Where this machine goes: after every stored result higher than it.
    const std::ptrdiff_t machineAt = machine && spread ? higher(spread->ascending, machine->index) : 0;
    if (machine)
        model.machinePosition = machineAt + 1;

    // The bars: every result, or those around this machine (or the highest),
    // put in order without ordering the rest.
    std::ptrdiff_t first = 0, end = count;
    if (model.results > AllBarsUpTo) {
        model.histogram = histogramOf(*spread, machine);
        const std::ptrdiff_t half = NearestBars / 2;
        first = machine ? std::clamp<std::ptrdiff_t>(machineAt - half, 0, end - (NearestBars - 1)) : 0;
        end = first + (machine ? NearestBars - 1 : NearestBars);
        std::nth_element(stored.begin(), stored.begin() + first, stored.end(), before);
    }
    std::partial_sort(stored.begin() + first, stored.begin() + end, stored.end(), before);
    std::ptrdiff_t above = 0; // stored results higher than the bar
    for (std::ptrdiff_t i = first; i <= end; ++i) {
        if (machine && i == machineAt) {
            model.bars.push_back(machineBar(*machine));
            model.bars.back().position = machineAt + 1;
        }
        if (i == end)
            break;
        Bar bar = storedBar(stored[std::size_t(i)]);
        // Equal indexes share a place: the results above are counted once, for
        // the first bar, then follow from the order.
        if (i == first)
            above = first == 0 ? 0 : higher(spread->ascending, bar.index);
        else if (stored[std::size_t(i - 1)].index != bar.index)
            above = i;
        bar.position = above + 1 + (machine && machine->index > bar.index);
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
