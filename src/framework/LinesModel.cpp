#include "framework/LinesModel.h"

#include "core/Ansi.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/BusyCursor.h"

#include <condition_variable>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

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

// A file read whole and sorted on another thread, into a list of its own.
class ReadAside {
public:
    // Throws std::system_error when no thread can be had.
    explicit ReadAside(const std::string &path)
        : thread_([this, path] { run(path); })
    {
    }
    ~ReadAside()
    {
        if (thread_.joinable())
            thread_.join();
    }
    ReadAside(const ReadAside &) = delete;
    ReadAside &operator=(const ReadAside &) = delete;

    // Waits for the list. `starting` runs here first, as loadSorted runs it, if
    // the thread got as far as reading the file; with 0 when it is read already:
    // there is no wait left to show.
    std::pair<LineList, LineList::Read> take(const std::function<void(std::uint64_t)> &starting)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return size_ || done_; });
        std::optional<std::uint64_t> waiting = size_;
        if (waiting && done_)
            waiting = 0;
        lock.unlock();
        if (waiting)
            starting(*waiting);
        thread_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        return {std::move(list_), LineList::Read::Whole};
    }

private:
    void run(const std::string &path)
    {
        try {
            list_.loadSorted(path, [this](std::uint64_t size) {
                const std::lock_guard lock(mutex_);
                size_ = size;
                changed_.notify_one();
            });
        } catch (...) {
            failure_ = std::current_exception();
        }
        const std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_one();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::uint64_t> size_; // once the file is open and checked
    bool done_ = false;
    LineList list_;
    std::exception_ptr failure_;
    std::thread thread_; // last: it starts once the rest is there
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

LineList::Read SortedLinesModel::LoadFromFile(const std::string &path, const std::function<void()> &meanwhile)
{
    // A file no model has loaded is read whole into bytes no one else holds:
    // another thread can do it while this one runs `meanwhile`. A reload adds to
    // bytes that other models show, which only this thread may touch.
    std::map<std::string, LineList> &latest = latestLists();
    if (meanwhile && latest.find(path) == latest.end()) {
        std::optional<ReadAside> aside;
        try {
            aside.emplace(path);
        } catch (const std::system_error &) {
            // No thread to be had: read here, after `meanwhile`.
        }
        if (aside) {
            meanwhile();
            return install(path, [&aside](const std::function<void(std::uint64_t)> &starting) {
                return aside->take(starting);
            });
        }
    }
    if (meanwhile)
        meanwhile();
    return install(path, [&](const std::function<void(std::uint64_t)> &starting) {
        // Taken out while it loads, so that no other copy holds its references
        // and new lines are merged into them in place.
        LineList next;
        if (const auto found = latest.find(path); found != latest.end()) {
            next = std::move(found->second);
            latest.erase(found);
        }
        try {
            const LineList::Read read = next.loadSorted(path, starting);
            return std::pair(std::move(next), read);
        } catch (...) {
            if (!next.isEmpty())
                latest.emplace(path, std::move(next)); // untouched: still the latest
            throw;
        }
    });
}

LineList::Read SortedLinesModel::install(const std::string &path, const Loader &load)
{
    std::optional<HourglassCursor> busy;
    bool resetting = false;
    std::pair<LineList, LineList::Read> loaded;
    try {
        loaded = load([this, &busy, &resetting](std::uint64_t bytes) {
            if (bytes >= busyFrom)
                busy.emplace();
            beginResetModel();
            resetting = true;
            lines_ = LineList();
        });
        // A view counts its rows in an int.
        if (loaded.first.size() > std::numeric_limits<int>::max()) {
            loaded.first = LineList();
            throw EFOpenError(TooManyLinesToShow(path));
        }
    } catch (...) {
        if (resetting)
            endResetModel();
        throw;
    }
    if (!resetting)
        beginResetModel();
    lines_ = loaded.first;
    latestLists().insert_or_assign(path, std::move(loaded.first));
    endResetModel();
    return loaded.second;
}

} // namespace tarvo
