#include "framework/Items.h"

namespace tarvo {

int SortedLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant SortedLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lines_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return lines_.at(index.row());
    return {};
}

void SortedLinesModel::LoadFromFile(const std::string &path)
{
    LineList loaded = LineList::fromFile(path);
    loaded.sort();
    beginResetModel();
    lines_ = std::move(loaded);
    endResetModel();
}

TListBox::TListBox(QWidget *parent)
    : QListView(parent)
    , model_(this)
{
    // Every row has the font's height: the view then never measures the rows,
    // which keeps scrolling a long list smooth.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setModel(&model_);
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
