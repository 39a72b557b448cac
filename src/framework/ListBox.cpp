#include "framework/ListBox.h"

#include <QCoreApplication>
#include <QStyledItemDelegate>

namespace tarvo {

namespace {

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    explicit FixedHeightDelegate(TListBox *list)
        : QStyledItemDelegate(list)
        , list_(list)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (list_->itemHeight() > 0)
            size.setHeight(list_->itemHeight());
        return size;
    }

private:
    const TListBox *list_;
};

} // namespace

TListBox::TListBox(QWidget *parent)
    : UniformRowsView(parent)
    , model_(this)
{
    setItemDelegate(new FixedHeightDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // As the designed list box: a line wider than the list is cut at its edge.
    // The view would otherwise take its scrolling width from the first line only.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setModel(&model_);
}

void TListBox::setItemHeight(int height)
{
    itemHeight_ = height;
    // Forget the cached row size.
    doItemsLayout();
}

LineList::Read TListBox::LoadFromFile(const std::string &path, const std::function<void()> &meanwhile)
{
    const LineList::Read read = model_.LoadFromFile(path, meanwhile);
    // The rows laid out and the scroll bar shown or hidden now rather than once
    // the loop runs again: a repaint right after draws the list once, as it
    // stays.
    executeDelayedItemsLayout();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return read;
}

int TListBox::count() const
{
    return model_.rowCount();
}

QString TListBox::item(int row) const
{
    return model_.lines().at(row);
}

} // namespace tarvo
