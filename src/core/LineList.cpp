#include "core/LineList.h"

#include "core/Ansi.h"
#include "core/AppendJournal.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileGrowth.h"
#include "core/FileOpening.h"
#include "core/FileReading.h"
#include "core/LineReading.h"
#include "core/LineRecords.h"
#include "core/LineSort.h"
#include "core/MemoryBudget.h"
#include "core/PageBuffer.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>

namespace tarvo {

using lines::Record;

// While shared, the bytes are only ever added to, past their end: every list
// sharing them keeps its lines where they were.
struct LineList::Bytes {
    PageBuffer data;
    std::uint64_t size = 0;
    lines::LongLines longLines;
    // The file they were read from, as it was when their last part was read.
    bool fromFile = false;
    FileStamp file;
};

namespace {

std::uint64_t roomBeside(std::uint64_t budget, std::uint64_t used)
{
    return budget > used ? budget - used : 0;
}

// The sorted references of [from, to) of the bytes.
PageBuffer sortedRefs(const char *data, std::uint64_t from, std::uint64_t to, std::uint64_t newFrom,
                      lines::LongLines &longLines, std::int64_t &count, std::uint64_t room,
                      const std::string &path, std::uint64_t budget)
{
    PageBuffer records;
    if (!lines::CutRecords(data, from, to, newFrom, longLines, records, count, room))
        throw EFOpenError(TooLargeToShow(path, budget));
    auto *first = reinterpret_cast<Record *>(records.data());
    lines::SortRecords(data, longLines, first, first + count);
    lines::KeepRefs(records, count);
    return records;
}

} // namespace

LineList::LineList() = default;
LineList::~LineList() = default;
LineList::LineList(const LineList &other) = default;
LineList &LineList::operator=(const LineList &other) = default;
LineList::LineList(LineList &&other) noexcept = default;
LineList &LineList::operator=(LineList &&other) noexcept = default;

LineList LineList::fromBytes(QByteArrayView bytes)
{
    LineList list;
    auto held = std::make_shared<Bytes>();
    held->data.resize(std::size_t(bytes.size()));
    if (!bytes.isEmpty())
        std::memcpy(held->data.data(), bytes.data(), std::size_t(bytes.size()));
    held->size = std::uint64_t(bytes.size());
    PageBuffer records;
    std::int64_t count = 0;
    lines::CutRecords(held->data.data(), 0, held->size, 0, held->longLines, records, count,
                      std::numeric_limits<std::uint64_t>::max());
    lines::KeepRefs(records, count);
    list.bytes_ = std::move(held);
    list.held_ = list.bytes_->size;
    list.lines_ = std::make_shared<PageBuffer>(std::move(records));
    list.count_ = qsizetype(count);
    return list;
}

const std::uint64_t *LineList::refs() const
{
    return lines_ ? reinterpret_cast<const std::uint64_t *>(lines_->data()) : nullptr;
}

std::uint64_t LineList::lengthOf(std::uint64_t ref) const
{
    return lines::LengthOf(bytes_->longLines, ref);
}

QByteArrayView LineList::bytesAt(qsizetype i) const
{
    const std::uint64_t ref = refs()[i];
    return QByteArrayView(bytes_->data.data() + lines::BeginOf(ref), qsizetype(lengthOf(ref)));
}

QByteArrayView LineList::heldBytes() const
{
    return bytes_ ? QByteArrayView(bytes_->data.data(), qsizetype(held_)) : QByteArrayView();
}

QString LineList::at(qsizetype i) const
{
    return fromAnsi(bytesAt(i));
}

QStringList LineList::toStringList() const
{
    QStringList list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LineList::sort()
{
    if (count_ < 2)
        return;
    PageBuffer records;
    records.resize(std::size_t(count_) * sizeof(Record));
    auto *first = reinterpret_cast<Record *>(records.data());
    for (qsizetype i = 0; i < count_; ++i)
        first[i] = {0, refs()[i]};
    lines_.reset();
    lines::SortRecords(bytes_->data.data(), bytes_->longLines, first, first + count_);
    lines::KeepRefs(records, count_);
    lines_ = std::make_shared<PageBuffer>(std::move(records));
}

qsizetype LineList::find(QByteArrayView bytes) const
{
    const std::uint64_t *first = refs();
    const auto less = [this](std::uint64_t ref, QByteArrayView wanted) {
        const QByteArrayView line(bytes_->data.data() + lines::BeginOf(ref), qsizetype(lengthOf(ref)));
        return line.compare(wanted) < 0;
    };
    const auto *found = std::lower_bound(first, first + count_, bytes, less);
    if (found == first + count_ || bytesAt(found - first) != bytes)
        return -1;
    return found - first;
}

bool LineList::sharesBytesWith(const LineList &other) const
{
    return bytes_ && bytes_ == other.bytes_;
}

bool LineList::grewOnly(int fd, const struct stat &now) const
{
    const Bytes &held = *bytes_;
    // Only a line end before the new bytes lets them be cut on their own: after a
    // CR, an LF would join it, and a line without an end would grow.
    if (held.size == 0 || held.data.data()[held.size - 1] != '\n')
        return false;
    const std::uint64_t n = std::min(held.size, comparedBlock);
    char block[comparedBlock];
    int error = 0;
    const std::uint64_t read = ReadAt(fd, block, n, held.size - n, error);
    return error == 0
        && StillHeld(held.file, held.size, StampOf(now), QByteArrayView(held.data.data() + held.size - n, qsizetype(n)),
                     QByteArrayView(block, qsizetype(read)));
}

LineList::Read LineList::loadSorted(const std::string &path, const std::function<void(std::uint64_t)> &starting)
{
    int error = 0;
    const FileDescriptor file(OpenDataFile(path, O_RDONLY, error));
    if (file.fd() < 0)
        throw EFOpenError(CannotOpen(path, error));
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0)
        throw EFOpenError(CannotOpen(path, errno));
    // Never the partial last line of an append in progress, or cut off.
    info.st_size = off_t(SettledSize(path, file.fd(), std::uint64_t(info.st_size)));
    const auto size = std::uint64_t(info.st_size);
    const bool sameFile = bytes_ && bytes_->fromFile && bytes_->file.device == std::uint64_t(info.st_dev)
        && bytes_->file.inode == std::uint64_t(info.st_ino);

    // Reading the file whole frees what this list alone holds first.
    const std::uint64_t budget = ListMemoryBudget();
    const std::uint64_t own = (bytes_ && bytes_.use_count() == 1 ? bytes_->size : 0)
        + (lines_ && lines_.use_count() == 1 ? std::uint64_t(count_) * sizeof(std::uint64_t) : 0);
    const std::uint64_t wholeBudget = budget > std::numeric_limits<std::uint64_t>::max() - own ? budget : budget + own;
    const std::uint64_t stored = sameFile ? bytes_->size : 0;
    const bool mayAppend = sameFile && size >= stored;
    if (size >= lines::largestSize || (mayAppend ? size - stored > budget : size > wholeBudget))
        throw EFOpenError(TooLargeToShow(path, mayAppend ? budget : wholeBudget));

    if (starting)
        starting(size);
    Read read = Read::Whole;
    try {
        if (mayAppend && grewOnly(file.fd(), info)) {
            readAppended(file.fd(), path, info, budget);
            read = Read::Appended;
        } else {
            if (size > wholeBudget)
                throw EFOpenError(TooLargeToShow(path, wholeBudget));
            *this = LineList();
            readAll(file.fd(), path, info, wholeBudget);
        }
    } catch (const std::bad_alloc &) {
        *this = LineList();
        throw EFOpenError(NoMemoryToShow(path));
    } catch (...) {
        *this = LineList();
        throw;
    }
    return read;
}

void LineList::readAll(int fd, const std::string &path, const struct stat &info, std::uint64_t budget)
{
    auto held = std::make_shared<Bytes>();
    held->data.resize(std::size_t(info.st_size));
    // A file cut short meanwhile gives what was there; one grown meanwhile, what
    // was there when it was opened.
    PageBuffer records;
    const lines::LinesRead read = lines::ReadLines(fd, held->data.data(), std::uint64_t(info.st_size),
                                                   held->longLines, records,
                                                   roomBeside(budget, std::uint64_t(info.st_size)));
    if (read.error != 0)
        throw EFOpenError(CannotRead(path, read.error));
    if (!read.fits)
        throw EFOpenError(TooLargeToShow(path, budget));
    held->size = read.size;
    auto *first = reinterpret_cast<Record *>(records.data());
    lines::SortRecords(held->data.data(), held->longLines, first, first + read.count);
    lines::KeepRefs(records, read.count);
    held->fromFile = true;
    held->file = StampOf(info);
    bytes_ = std::move(held);
    held_ = bytes_->size;
    lines_ = std::make_shared<PageBuffer>(std::move(records));
    count_ = qsizetype(read.count);
}

void LineList::readAppended(int fd, const std::string &path, const struct stat &info, std::uint64_t budget)
{
    Bytes &held = *bytes_;
    const std::uint64_t stored = held.size;
    held.data.resize(std::size_t(info.st_size));
    int error = 0;
    const std::uint64_t end = stored + ReadAt(fd, held.data.data() + stored, std::uint64_t(info.st_size) - stored,
                                              stored, error);
    if (error != 0)
        throw EFOpenError(CannotRead(path, error));

    // The lines past this list's own: those a copy sharing the bytes read in
    // since, and the new ones.
    const std::size_t longLinesBefore = held.longLines.size();
    std::int64_t added = 0;
    PageBuffer fresh;
    try {
        fresh = sortedRefs(held.data.data(), held_, end, stored, held.longLines, added,
                           roomBeside(budget, end - stored), path, budget);
    } catch (...) {
        held.longLines.resize(longLinesBefore);
        throw;
    }
    held.size = end;
    held.file = StampOf(info);
    held_ = end;
    if (added == 0)
        return;

    // Merged from the back: each new line goes after the old ones not greater
    // than it, found by a binary search, so that only the new lines' places are
    // compared and the old references move once. The old references are changed
    // in place unless a copy shares them.
    const std::size_t merged = std::size_t(count_ + added) * sizeof(std::uint64_t);
    std::shared_ptr<PageBuffer> into = lines_;
    if (!into || into.use_count() > 1) {
        into = std::make_shared<PageBuffer>();
        into->resize(merged);
    } else {
        into->resize(merged);
    }
    const auto *old = lines_ ? reinterpret_cast<const std::uint64_t *>(lines_->data()) : nullptr;
    auto *refs = reinterpret_cast<std::uint64_t *>(into->data());
    const auto *newRefs = reinterpret_cast<const std::uint64_t *>(fresh.data());
    const auto less = [&held](std::uint64_t a, std::uint64_t b) {
        return lines::LineLess(held.data.data(), held.longLines, a, b);
    };
    qsizetype unplaced = count_; // old references not yet placed: [0, unplaced)
    for (qsizetype j = added - 1; j >= 0; --j) {
        const qsizetype place = std::upper_bound(old, old + unplaced, newRefs[j], less) - old;
        if (unplaced > place)
            std::memmove(refs + place + j + 1, old + place, std::size_t(unplaced - place) * sizeof(std::uint64_t));
        refs[place + j] = newRefs[j];
        unplaced = place;
    }
    if (refs != old && unplaced > 0)
        std::memcpy(refs, old, std::size_t(unplaced) * sizeof(std::uint64_t));
    lines_ = std::move(into);
    count_ += qsizetype(added);
}

} // namespace tarvo
