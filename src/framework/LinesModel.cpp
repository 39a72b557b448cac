#include "framework/LinesModel.h"

#include "core/Ansi.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/BusyCursor.h"

#include <limits>
#include <map>
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

// The list of each file last loaded by a model: a model showing a file
// another has shown starts from that list. Its bytes are shared, not copied.
std::map<std::string, LineList> &latestLists()
{
    static std::map<std::string, LineList> lists;
    return lists;
}

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

LineList::Read SortedLinesModel::LoadFromFile(const std::string &path)
{
    // Taken out while it loads, so that no other copy holds its references and
    // new lines are merged into them in place.
    std::map<std::string, LineList> &latest = latestLists();
    LineList next;
    if (const auto found = latest.find(path); found != latest.end()) {
        next = std::move(found->second);
        latest.erase(found);
    }
    std::optional<HourglassCursor> busy;
    bool resetting = false;
    LineList::Read read = LineList::Read::Whole;
    try {
        read = next.loadSorted(path, [this, &busy, &resetting](std::uint64_t bytes) {
            if (bytes >= busyFrom)
                busy.emplace();
            beginResetModel();
            resetting = true;
            lines_ = LineList();
        });
        // A view counts its rows in an int.
        if (next.size() > std::numeric_limits<int>::max()) {
            next = LineList();
            throw EFOpenError(TooManyLinesToShow(path));
        }
    } catch (...) {
        if (resetting)
            endResetModel();
        else if (!next.isEmpty())
            latest.emplace(path, std::move(next)); // untouched: still the latest
        throw;
    }
    lines_ = next;
    latest.insert_or_assign(path, std::move(next));
    endResetModel();
    return read;
}

} // namespace tarvo
