#include "core/Ranking.h"

#include "core/Conversions.h"
#include "core/FileOpening.h"
#include "core/LineList.h"
#include "core/Spread.h"
#include "core/StoredResult.h"

#include <vector>

namespace tarvo {

namespace {

QString ordinal(std::int64_t n)
{
    return n == 1 ? QStringLiteral("1er") : QStringLiteral("%1e").arg(n);
}

} // namespace

Ranking RankIndex(double index, const std::string &resultsPath)
{
    std::vector<double> stored;
    if (!IsMissing(resultsPath)) {
        LineList lines;
        lines.loadSorted(resultsPath);
        stored.reserve(std::size_t(lines.size()));
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (const auto fields = ParseResultLine(lines.bytesAt(i)))
                stored.push_back(StoredValue(fields->indiceText));
    }
    Ranking ranking{index, 1, std::int64_t(stored.size()) + 1, std::nullopt};
    for (const double other : stored)
        ranking.position += other > index;
    if (!stored.empty())
        ranking.median = Median(std::move(stored));
    return ranking;
}

QString RankText(const Ranking &ranking)
{
    QString text = QStringLiteral("%1 sur %2").arg(ordinal(ranking.position)).arg(ranking.count);
    const std::int64_t stored = ranking.count - 1;
    if (!ranking.median)
        return text + QStringLiteral(" (aucun résultat enregistré)");
    const QString results = stored == 1 ? QStringLiteral("du résultat enregistré")
                                        : QStringLiteral("des %1 résultats enregistrés").arg(stored);
    if (*ranking.median > 0.0)
        return text + QStringLiteral(" ; %1 fois la médiane %2 (%3)")
                          .arg(Figure(ranking.index / *ranking.median), results, ResultFigure(float(*ranking.median)));
    return text + QStringLiteral(" ; médiane %1 : %2").arg(results, ResultFigure(float(*ranking.median)));
}

} // namespace tarvo
