#include "framework/Items.h"

#include "core/Ansi.h"

#include <QStyledItemDelegate>

#include <algorithm>

namespace tarvo {

namespace {

// More characters than the widest list can show in its narrowest glyphs: a line
// of megabytes (a file not written by this program) is drawn from its start
// without shaping all of it.
constexpr qsizetype shownCharacters = 2048;

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

int SortedLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant SortedLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lines_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        const QByteArrayView line = lines_.bytesAt(index.row());
        return fromAnsi(line.first(std::min(line.size(), shownCharacters)));
    }
    return {};
}

void SortedLinesModel::LoadFromFile(const std::string &path)
{
    // The old lines go only once the new file is open, but before it is read:
    // a long list and its successor are never in memory together.
    bool resetting = false;
    try {
        LineList loaded = LineList::fromFile(path, [this, &resetting] {
            beginResetModel();
            resetting = true;
            lines_ = LineList();
        });
        loaded.sort();
        lines_ = std::move(loaded);
    } catch (...) {
        if (resetting)
            endResetModel();
        throw;
    }
    endResetModel();
}

TListBox::TListBox(QWidget *parent)
    : QListView(parent)
    , model_(this)
{
    // Every row has the same height: the view then never measures the rows,
    // which keeps scrolling a long list smooth.
    setUniformItemSizes(true);
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

void TListBox::LoadFromFile(const std::string &path)
{
    model_.LoadFromFile(path);
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
