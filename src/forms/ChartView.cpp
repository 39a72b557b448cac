#include "ChartView.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

using namespace tarvo::chart;

ChartView::ChartView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Graphique des résultats"));
    setFont(ChartFont());
}

void ChartView::setModel(ChartModel model)
{
    model_ = std::move(model);
    setMinimumHeight(int(std::ceil(SmallestHeight(model_, font()))));
    layout_ = LayOut(model_, size(), font());
    setAccessibleDescription(Description(model_));
    // The keyboard starts on this machine when there is one.
    const auto marked = std::find_if(model_.bars.begin(), model_.bars.end(), [](const Bar &b) { return b.marked; });
    focusBar(model_.bars.empty() ? -1 : marked != model_.bars.end() ? int(marked - model_.bars.begin()) : 0);
    update();
}

QString ChartView::barText(int bar) const
{
    if (bar < 0 || bar >= int(model_.bars.size()))
        return {};
    const Bar &b = model_.bars[std::size_t(bar)];
    return QStringLiteral("%1e : %2, indice %3%4")
        .arg(b.position)
        .arg(b.label, b.indexText, b.marked ? QStringLiteral(" (cette machine)") : QString());
}

void ChartView::focusBar(int bar)
{
    focused_ = bar;
    setAccessibleName(bar < 0 ? QStringLiteral("Graphique des résultats") : barText(bar));
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (bar >= 0 && std::size_t(bar) < layout_.barRows.size()) {
        // The first and the last bar bring the picture's ends into view with them.
        QRect row = layout_.barRows[std::size_t(bar)].toAlignedRect();
        if (bar == 0)
            row.setTop(0);
        if (std::size_t(bar) + 1 == layout_.barRows.size())
            row.setBottom(height() - 1);
        emit barFocused(row);
    }
    update();
}

int ChartView::barAt(QPointF point) const
{
    for (std::size_t i = 0; i < layout_.barRows.size(); ++i)
        if (layout_.barRows[i].contains(point))
            return int(i);
    return -1;
}

bool ChartView::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int bar = barAt(help->pos());
    if (bar < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // Descriptions come from other machines: escaped, a tooltip shows them as
    // the plain text they are, never as markup.
    const QString plain = model_.bars[std::size_t(bar)].line.toHtmlEscaped();
    QToolTip::showText(help->globalPos(), QStringLiteral("<p style='white-space:pre'>%1</p>").arg(plain), this,
                       layout_.barRows[std::size_t(bar)].toAlignedRect());
    return true;
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    Paint(painter, model_, layout_, font(), hasFocus() ? focused_ : -1);
}

void ChartView::resizeEvent(QResizeEvent *event)
{
    layout_ = LayOut(model_, size(), font());
    QWidget::resizeEvent(event);
}

void ChartView::keyPressEvent(QKeyEvent *event)
{
    const int last = int(model_.bars.size()) - 1;
    int bar = focused_;
    switch (event->key()) {
    case Qt::Key_Up:
        bar = std::max(0, bar - 1);
        break;
    case Qt::Key_Down:
        bar = std::min(last, bar + 1);
        break;
    case Qt::Key_Home:
        bar = 0;
        break;
    case Qt::Key_End:
        bar = last;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    focusBar(bar);
}

void ChartView::mousePressEvent(QMouseEvent *event)
{
    if (const int bar = barAt(event->position()); bar >= 0)
        focusBar(bar);
    QWidget::mousePressEvent(event);
}
