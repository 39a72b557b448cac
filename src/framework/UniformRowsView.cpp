#include "framework/UniformRowsView.h"

#include <QAbstractItemDelegate>
#include <QAccessible>
#include <QHoverEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tarvo {

namespace {

int clampedToInt(qint64 value)
{
    // Far enough inside the int range that Qt may still add a height to it.
    constexpr qint64 limit = std::numeric_limits<int>::max() / 2;
    return int(std::clamp(value, -limit, limit));
}

} // namespace

UniformRowsView::UniformRowsView(QWidget *parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);
}

int UniformRowsView::rowHeight() const
{
    // A layout asked for and not yet made (after a reset) is made first, as
    // Qt's views do before telling where anything is.
    const_cast<UniformRowsView *>(this)->executeDelayedItemsLayout();
    return rowHeight_;
}

int UniformRowsView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformRowsView::topRow() const
{
    return verticalScrollBar()->value();
}

int UniformRowsView::fullRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int UniformRowsView::rowAtY(int y) const
{
    const qint64 row = topRow() + qint64(y >= 0 ? y / rowHeight() : (y - rowHeight() + 1) / rowHeight());
    return row < rows() ? int(row) : -1;
}

QModelIndex UniformRowsView::indexOf(int row) const
{
    return model()->index(row, modelColumn(), rootIndex());
}

bool UniformRowsView::isEnabled(int row) const
{
    return model()->flags(indexOf(row)) & Qt::ItemIsEnabled;
}

int UniformRowsView::enabledFrom(int row, int step) const
{
    for (const int count = rows(); row >= 0 && row < count; row += step)
        if (isEnabled(row))
            return row;
    return -1;
}

void UniformRowsView::doItemsLayout()
{
    // The first row's height, as its delegate gives it, is every row's.
    rowHeight_ = rows() > 0 ? std::max(1, sizeHintForIndex(indexOf(0)).height()) : 1;
    // Not QListView's, which would lay out every row.
    QAbstractItemView::doItemsLayout();
}

void UniformRowsView::updateGeometries()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(fullRows());
    bar->setRange(0, std::max(0, rows() - fullRows()));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

QRect UniformRowsView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return {};
    const qint64 y = qint64(index.row() - qint64(topRow())) * rowHeight();
    return QRect(-horizontalOffset(), clampedToInt(y), viewport()->width(), rowHeight());
}

QModelIndex UniformRowsView::indexAt(const QPoint &point) const
{
    if (point.x() < 0 || point.x() >= viewport()->width() || point.y() < 0)
        return {};
    const int row = rowAtY(point.y());
    return row < 0 ? QModelIndex() : indexOf(row);
}

void UniformRowsView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return;
    const int row = index.row(), top = topRow(), full = fullRows();
    qint64 wanted = top;
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            wanted = row;
        else if (row >= qint64(top) + full)
            wanted = qint64(row) - full + 1;
        break;
    case PositionAtTop:
        wanted = row;
        break;
    case PositionAtBottom:
        wanted = qint64(row) - full + 1;
        break;
    case PositionAtCenter:
        wanted = qint64(row) - (full - 1) / 2;
        break;
    }
    verticalScrollBar()->setValue(int(std::max<qint64>(0, wanted)));
    viewport()->update(visualRect(index));
}

void UniformRowsView::scrollContentsBy(int dx, int dy)
{
    // dy counts rows.
    const qint64 pixels = qint64(dy) * rowHeight();
    if (std::abs(pixels) < viewport()->height())
        viewport()->scroll(dx, int(pixels));
    else
        viewport()->update();
}

int UniformRowsView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int UniformRowsView::verticalOffset() const
{
    return clampedToInt(qint64(topRow()) * rowHeight());
}

void UniformRowsView::paintEvent(QPaintEvent *event)
{
    const int count = rows();
    if (count == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int first = rowAtY(std::max(0, area.top()));
    if (first < 0)
        return;
    const qint64 below = topRow() + qint64(std::max(0, area.bottom())) / rowHeight();
    const int last = int(std::min<qint64>(count - 1, below));

    const QModelIndex current = currentIndex();
    const QModelIndex hover = hoverRow_ >= 0 && hoverRow_ < count ? indexOf(hoverRow_) : QModelIndex();
    const QItemSelectionModel *selections = selectionModel();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const bool enabled = state & QStyle::State_Enabled;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexOf(row);
        option.rect = visualRect(index);
        option.state = state;
        if (selections && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool rowEnabled = model()->flags(index) & Qt::ItemIsEnabled;
            if (!rowEnabled)
                option.state &= ~QStyle::State_Enabled;
            option.palette.setCurrentColorGroup(rowEnabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && index == current) {
            option.state |= QStyle::State_HasFocus;
            if (this->state() == EditingState)
                option.state |= QStyle::State_Editing;
        }
        if (index == hover)
            option.state |= QStyle::State_MouseOver;
        else
            option.state &= ~QStyle::State_MouseOver;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

bool UniformRowsView::viewportEvent(QEvent *event)
{
    // The row under the pointer, as Qt's views follow it (where the style asks
    // for hover events).
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove: {
        const QModelIndex under = indexAt(static_cast<QHoverEvent *>(event)->position().toPoint());
        hoverRow_ = under.isValid() ? under.row() : -1;
        break;
    }
    case QEvent::HoverLeave:
    case QEvent::Leave:
        hoverRow_ = -1;
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

QModelIndex UniformRowsView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        const int row = enabledFrom(0, 1);
        return row < 0 ? QModelIndex() : indexOf(row);
    }
    const qint64 row = current.row();
    const int page = std::max(1, fullRows() - 1);
    qint64 wanted = row;
    int step = 1;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        wanted = row - 1;
        step = -1;
        break;
    case MoveDown:
    case MoveNext:
        wanted = row + 1;
        break;
    case MovePageUp:
        wanted = row - page;
        step = -1;
        break;
    case MovePageDown:
        wanted = row + page;
        break;
    case MoveHome:
        wanted = 0;
        break;
    case MoveEnd:
        wanted = count - 1;
        step = -1;
        break;
    case MoveLeft:
    case MoveRight:
        return current; // one column
    }
    const int found = enabledFrom(int(std::clamp<qint64>(wanted, 0, count - 1)), step);
    return found < 0 ? current : indexOf(found);
}

void UniformRowsView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    QItemSelection selection;
    const QRect area = rect.normalized();
    const int first = rowAtY(std::max(0, area.top()));
    if (area.bottom() >= 0 && first >= 0) {
        const qint64 below = topRow() + qint64(area.bottom()) / rowHeight();
        const int last = int(std::min<qint64>(rows() - 1, below));
        // A press picks only an item that can be picked.
        if (first < last || isEnabled(first))
            selection.select(indexOf(first), indexOf(last));
    }
    selectionModel()->select(selection, command);
}

QRegion UniformRowsView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const int top = topRow();
    const qint64 bottom = top + qint64(viewport()->height()) / rowHeight();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.parent() != rootIndex() || range.left() > modelColumn()
            || range.right() < modelColumn())
            continue;
        const int first = std::max(range.top(), top);
        const int last = int(std::min<qint64>(range.bottom(), bottom));
        if (first <= last)
            region += QRect(0, (first - top) * rowHeight(), viewport()->width(), (last - first + 1) * rowHeight());
    }
    return region;
}

// QListView's own would look the rows up in the layout this view never makes.
void UniformRowsView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
#endif
    QAbstractItemView::currentChanged(current, previous);
}

void UniformRowsView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        const auto tell = [this](const QItemSelection &rows, QAccessible::Event type) {
            if (rows.isEmpty() || !rows.first().isValid())
                return;
            QAccessibleEvent event(this, type);
            event.setChild(rows.first().top());
            QAccessible::updateAccessibility(&event);
        };
        tell(selected, QAccessible::SelectionAdd);
        tell(deselected, QAccessible::SelectionRemove);
    }
#endif
    QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace tarvo
