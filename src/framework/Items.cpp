#include "framework/Items.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "framework/Dialogs.h"

#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>
#include <optional>

namespace tarvo {

namespace {

// More characters than the widest list can show in its narrowest glyphs: a line
// of megabytes (a file not written by this program) is drawn from its start
// without shaping all of it.
constexpr qsizetype shownCharacters = 2048;

// From this size on, a load takes long enough (a tenth of a second on a slow
// machine) for the hourglass to be worth showing.
constexpr std::uint64_t busyFrom = 8 << 20;

QString shownText(QByteArrayView line)
{
    if (line.size() <= shownCharacters)
        return fromAnsi(line);
    return fromAnsi(line.first(shownCharacters)) + QChar(0x2026);
}

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
    const QByteArrayView line = lines_.bytesAt(index.row());
    switch (role) {
    case Qt::EditRole:
        if (line.size() <= longestSelectable_)
            return fromAnsi(line);
        return shownText(line);
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return shownText(line);
    default:
        return {};
    }
}

Qt::ItemFlags SortedLinesModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid() && index.row() < lines_.size() && lines_.bytesAt(index.row()).size() > longestSelectable_)
        flags &= ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return flags;
}

int SortedLinesModel::find(const QString &text) const
{
    return isAnsi(text) ? int(lines_.find(toAnsi(text))) : -1;
}

void SortedLinesModel::LoadFromFile(const std::string &path)
{
    std::optional<HourglassCursor> busy;
    bool resetting = false;
    try {
        lines_.loadSorted(path, [this, &busy, &resetting](std::uint64_t bytes) {
            if (bytes >= busyFrom)
                busy.emplace();
            beginResetModel();
            resetting = true;
        });
        // A view counts its rows in an int.
        if (lines_.size() > std::numeric_limits<int>::max()) {
            lines_ = LineList();
            throw EFOpenError(QStringLiteral("Le fichier « %1 » a trop de lignes pour être affiché.")
                                  .arg(QString::fromLocal8Bit(path))
                                  .toStdString());
        }
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
