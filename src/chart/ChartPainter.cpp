#include "chart/ChartPainter.h"

#include "core/Conversions.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tarvo::chart {

namespace {

constexpr double margin = 16.0;
constexpr double histogramHeight = 170.0;
constexpr double longestLabel = 360.0;

double rowHeightOf(const QFont &font)
{
    return std::ceil(QFontMetricsF(font).height() * 1.7);
}

double headerHeight(const QFont &font)
{
    return std::ceil(QFontMetricsF(font).height() * 1.4) * 2;
}

QFont bold(QFont font)
{
    font.setBold(true);
    return font;
}

// `text` shortened with "…" to fit `width` as this painter draws it. A font's
// metrics alone give its glyphs' widths at their own size, hinted; a painter
// drawing at another scale (a screen at 200 %) draws them wider or narrower.
QString fitted(QPainter &painter, const QString &text, double width)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const auto drawnWidth = [&](const QString &shown) {
        return painter.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft | Qt::TextSingleLine, shown).width();
    };
    QString shown = text;
    for (double room = width; room > 0.0 && drawnWidth(shown) > width; room -= metrics.averageCharWidth())
        shown = metrics.elidedText(text, Qt::ElideRight, room);
    return shown;
}

QString leftOutText(const ChartModel &model)
{
    if (model.leftOut == 0)
        return {};
    return QStringLiteral(" — %1 ligne(s) qui ne sont pas des résultats, laissée(s) de côté").arg(model.leftOut);
}

void paintHistogram(QPainter &painter, const ChartModel &model, const Layout &layout, const QFont &font)
{
    const Histogram &h = *model.histogram;
    const QFontMetricsF metrics(font);
    const double line = metrics.height();
    painter.setPen(Qt::black);
    const QString heading =
        QStringLiteral("Répartition des %1 indices (du 1er au 99e centile ; les autres aux extrémités)")
            .arg(model.results);
    painter.drawText(QRectF(layout.histogram.left(), layout.histogram.top(), layout.histogram.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter, fitted(painter, heading, layout.histogram.width()));
    const QRectF plot = layout.histogram.adjusted(0, line * 1.5, 0, -line * 1.6);
    const auto most = std::max<std::int64_t>(1, *std::max_element(h.counts.begin(), h.counts.end()));
    const double width = plot.width() / double(h.counts.size());
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        const double height = plot.height() * double(h.counts[i]) / double(most);
        const QRectF bin(plot.left() + width * double(i), plot.bottom() - height, width - 1.0, height);
        const bool marked = int(i) == h.markedBin;
        painter.setPen(marked ? QPen(Qt::black, 1.5) : Qt::NoPen);
        painter.setBrush(marked ? MachineColour : OthersColour);
        painter.drawRect(marked ? bin.adjusted(0, -std::min(4.0, plot.height() - height), 0, 0) : bin);
    }
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    const auto at = [&](double index) { return plot.left() + plot.width() * (index - h.low) / (h.high - h.low); };
    const QRectF axis(plot.left(), plot.bottom() + 2, plot.width(), line);
    painter.drawText(axis, Qt::AlignLeft, FormatFloat(float(h.low)));
    painter.drawText(axis, Qt::AlignRight, FormatFloat(float(h.high)));
    if (model.median) {
        const double x = at(*model.median);
        painter.setPen(QPen(Qt::black, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        const QString text = QStringLiteral("médiane %1").arg(FormatFloat(float(*model.median)));
        const double w = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(std::clamp(x - w / 2, plot.left() + w, plot.right() - 2 * w), axis.top(), w + 2,
                                line),
                         Qt::AlignCenter, text);
    }
}

void paintBar(QPainter &painter, const ChartModel &model, const Layout &layout, const QFont &font, std::size_t i,
              bool focused)
{
    const Bar &bar = model.bars[i];
    const QRectF row = layout.barRows[i];
    const QFontMetricsF metrics(bar.marked ? bold(font) : font);
    painter.setFont(bar.marked ? bold(font) : font);
    painter.setPen(Qt::black);
    const QString position = QStringLiteral("%1.").arg(bar.position);
    const QRectF labelRect(row.left(), row.top(), layout.labelWidth - 8.0, row.height());
    const QString label = fitted(painter, position + QLatin1Char(' ') + bar.label, labelRect.width());
    painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, label);
    const double valueWidth = QFontMetricsF(bold(font)).horizontalAdvance(QStringLiteral("000000000.00 ◀"));
    const double room = std::max(1.0, row.width() - layout.labelWidth - valueWidth);
    const double length = model.highest > 0.0 ? room * std::max(0.0, bar.index) / model.highest : 0.0;
    const QRectF body(row.left() + layout.labelWidth, row.top() + row.height() * 0.18, length, row.height() * 0.64);
    painter.setPen(bar.marked ? QPen(Qt::black, 1.5) : Qt::NoPen);
    painter.setBrush(bar.marked ? MachineColour : OthersColour);
    painter.drawRect(body);
    painter.setPen(Qt::black);
    const QString value = bar.marked ? bar.indexText + QStringLiteral(" ◀") : bar.indexText;
    painter.drawText(QRectF(body.right() + 6.0, row.top(), valueWidth, row.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, value);
    if (focused) {
        painter.setPen(QPen(Qt::black, 1.0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(row.adjusted(1, 1, -1, -1));
    }
}

} // namespace

QFont ChartFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    return font;
}

double NeededHeight(const ChartModel &model, double width, const QFont &font)
{
    Q_UNUSED(width);
    return 2 * margin + headerHeight(font) + (model.histogram ? histogramHeight : 0.0)
           + rowHeightOf(font) * double(std::max<std::size_t>(1, model.bars.size()));
}

double SmallestHeight(const ChartModel &model, const QFont &font)
{
    return 2 * margin + headerHeight(font) + (model.histogram ? histogramHeight : 0.0)
           + std::ceil(QFontMetricsF(font).height()) * double(model.bars.size());
}

Layout LayOut(const ChartModel &model, const QSizeF &size, const QFont &font)
{
    Layout layout;
    const QRectF inside(margin, margin, std::max(1.0, size.width() - 2 * margin),
                        std::max(1.0, size.height() - 2 * margin));
    const double header = headerHeight(font) / 2;
    layout.title = QRectF(inside.left(), inside.top(), inside.width(), header);
    layout.summary = layout.title.translated(0, header);
    double top = layout.summary.bottom();
    if (model.histogram) {
        layout.histogram = QRectF(inside.left(), top, inside.width(), histogramHeight - 8.0);
        top += histogramHeight;
    }
    layout.bars = QRectF(inside.left(), top, inside.width(), std::max(0.0, inside.bottom() - top));
    const QFontMetricsF metrics(bold(font));
    double widest = 0.0;
    for (const Bar &bar : model.bars)
        widest = std::max(widest, metrics.horizontalAdvance(QStringLiteral("%1. %2").arg(bar.position).arg(bar.label)));
    layout.labelWidth = std::min({widest + 12.0, longestLabel, inside.width() * 0.45});
    // Rows shrink to fit a small window, never below a line of text.
    const double fits = layout.bars.height() / double(std::max<std::size_t>(1, model.bars.size()));
    layout.rowHeight = std::max(QFontMetricsF(font).height(), std::min(rowHeightOf(font), fits));
    for (std::size_t i = 0; i < model.bars.size(); ++i)
        layout.barRows.emplace_back(inside.left(), top + layout.rowHeight * double(i), inside.width(),
                                    layout.rowHeight);
    return layout;
}

void Paint(QPainter &painter, const ChartModel &model, const Layout &layout, const QFont &font, int focused)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(bold(font));
    painter.setPen(Qt::black);
    const QString title = QStringLiteral("Résultats enregistrés : %1").arg(model.results) + leftOutText(model);
    painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter, fitted(painter, title, layout.title.width()));
    painter.setFont(font);
    const QString summary = model.machinePosition ? QStringLiteral("Cette machine : %1").arg(RankSummary(model))
                                                  : RankSummary(model);
    painter.drawText(layout.summary, Qt::AlignLeft | Qt::AlignVCenter,
                     fitted(painter, summary, layout.summary.width()));
    if (model.histogram)
        paintHistogram(painter, model, layout, font);
    for (std::size_t i = 0; i < model.bars.size(); ++i)
        paintBar(painter, model, layout, font, i, int(i) == focused);
    painter.restore();
}

} // namespace tarvo::chart
