#include "cli/Merge.h"

#include "cli/MergeLines.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileAppend.h"
#include "core/FileGrowth.h"
#include "core/FileOpening.h"
#include "core/FileReading.h"
#include "core/MemoryBudget.h"
#include "core/StoredResult.h"

#include <QHash>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace tarvo::cli {

void (*StoredLinesMarked)() = nullptr;

namespace {

// The files merged, one after the other in one buffer.
struct Merged {
    QByteArray bytes;
    std::vector<std::uint64_t> starts; // each file's first byte, then the end
};

// Refused before anything is read when the files and their table would not fit.
Merged readMerged(const std::vector<std::string> &files)
{
    std::vector<std::unique_ptr<FileDescriptor>> opened;
    Merged merged{{}, {0}};
    for (const std::string &file : files) {
        int error = 0;
        opened.push_back(std::make_unique<FileDescriptor>(OpenDataFile(file, O_RDONLY, error)));
        struct stat info {};
        if (opened.back()->fd() < 0)
            throw EFOpenError(CannotOpen(file, error));
        if (::fstat(opened.back()->fd(), &info) != 0)
            throw EFOpenError(CannotRead(file, errno));
        merged.starts.push_back(merged.starts.back() + std::uint64_t(info.st_size));
    }
    const std::uint64_t total = merged.starts.back();
    const std::uint64_t budget = ListMemoryBudget();
    const std::uint64_t need = total + MergeLines::tableBytes(total / shortestLine);
    if (total > std::uint64_t(std::numeric_limits<qsizetype>::max() / 2) || total >= MergeLines::largestBytes
        || need > budget)
        throw EFOpenError(TooLargeToMerge(total, budget));
    merged.bytes.resize(qsizetype(total));
    std::uint64_t at = 0;
    for (std::size_t f = 0; f < files.size(); ++f) {
        int error = 0;
        const std::uint64_t size = merged.starts[f + 1] - merged.starts[f];
        // A file cut short meanwhile gives what it still holds.
        const std::uint64_t got = ReadAt(opened[f]->fd(), merged.bytes.data() + at, size, 0, error);
        if (error != 0)
            throw EFOpenError(CannotRead(files[f], error));
        merged.starts[f] = at;
        at += got;
    }
    merged.starts.back() = at;
    merged.bytes.truncate(qsizetype(at));
    return merged;
}

// The bytes of the block that ends at `end`, as FileGrowth compares them.
std::string readBlock(int fd, const std::string &path, std::uint64_t end)
{
    const std::uint64_t from = end > comparedBlock ? end - comparedBlock : 0;
    std::string block(std::size_t(end - from), '\0');
    int error = 0;
    block.resize(std::size_t(ReadAt(fd, block.data(), end - from, from, error)));
    if (error != 0)
        throw EFOpenError(CannotRead(path, error));
    return block;
}

// Calls `each(offset, line, ended)` for the lines of [from, to), the LF excluded.
template <typename Each>
void forLines(const QByteArray &bytes, std::uint64_t from, std::uint64_t to, Each each)
{
    const char *data = bytes.constData();
    for (std::uint64_t start = from; start < to;) {
        const void *lf = std::memchr(data + start, '\n', std::size_t(to - start));
        const std::uint64_t end = lf ? std::uint64_t(static_cast<const char *>(lf) - data) : to;
        each(start, std::string_view(data + start, std::size_t(end - start)), lf != nullptr);
        start = end + 1;
    }
}

// The reasons lines are refused for, each kept once.
class Reasons {
public:
    explicit Reasons(std::vector<QString> &kept) : kept_(kept) {}
    int operator()(const QString &why)
    {
        const auto found = index_.constFind(why);
        if (found != index_.cend())
            return *found;
        kept_.push_back(why);
        return index_[why] = int(kept_.size() - 1);
    }

private:
    std::vector<QString> &kept_;
    QHash<QString, int> index_;
};

void addRefused(Refused &refused, std::int64_t number, int reason)
{
    if (!refused.lines.empty() && refused.lines.back().last + 1 == number && refused.lines.back().reason == reason)
        refused.lines.back().last = number;
    else
        refused.lines.push_back({number, number, reason});
}

// Moves the lines to add to the front of the buffer, in their order; counts.
qsizetype gather(Merged &merged, const MergeLines &lines, MergeOutcome &outcome)
{
    char *data = merged.bytes.data();
    qsizetype kept = 0;
    forLines(merged.bytes, 0, std::uint64_t(merged.bytes.size()), [&](std::uint64_t offset, std::string_view line, bool) {
        const std::string_view body = line.substr(0, line.empty() ? 0 : line.size() - 1);
        switch (lines.seen(offset, body)) {
        case MergeLines::Seen::First:
            std::memmove(data + kept, line.data(), line.size() + 1);
            kept += qsizetype(line.size() + 1);
            ++outcome.added;
            break;
        case MergeLines::Seen::Present:
            ++outcome.present;
            break;
        case MergeLines::Seen::Not:
            break;
        }
    });
    return kept;
}

} // namespace

MergeOutcome MergeInto(const std::string &resultsPath, const std::vector<std::string> &files)
{
    Merged merged = readMerged(files);
    std::uint64_t most = 0;
    forLines(merged.bytes, 0, std::uint64_t(merged.bytes.size()), [&](std::uint64_t, std::string_view line, bool ended) {
        most += ended && line.size() + 1 >= shortestLine;
    });
    MergeLines lines(merged.bytes, most);
    MergeOutcome outcome;
    Reasons reasons(outcome.reasons);
    std::uint64_t inserted = 0;
    for (std::size_t f = 0; f < files.size(); ++f) {
        Refused refused{files[f], {}, {}};
        refused.wholeFile = ResultsFileFault(QByteArrayView(merged.bytes.constData() + merged.starts[f],
                                                            qsizetype(merged.starts[f + 1] - merged.starts[f])));
        std::int64_t number = 0;
        forLines(merged.bytes, merged.starts[f], merged.starts[f + 1],
                 [&](std::uint64_t offset, std::string_view line, bool ended) {
                     ++number;
                     if (const auto fault = refused.wholeFile ? refused.wholeFile : StoredLineFault(line, ended)) {
                         addRefused(refused, number, reasons(*fault));
                         ++outcome.refused;
                     } else if (lines.insert(offset, line.substr(0, line.size() - 1))) {
                         ++inserted;
                     } else {
                         ++outcome.present;
                     }
                 });
        if (!refused.lines.empty())
            outcome.refusals.push_back(std::move(refused));
    }
    if (inserted == 0)
        return outcome;

    // What the results file holds is found before its lock; under the lock
    // only what was appended since is read, so that a line another copy
    // appends meanwhile is seen, not added twice, and the lock is soon free.
    FileStamp before;
    std::uint64_t settled = 0;
    std::string lastBlock;
    if (!IsMissing(resultsPath)) {
        int error = 0;
        const FileDescriptor file(OpenDataFile(resultsPath, O_RDONLY, error));
        struct stat info {};
        if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0)
            throw EFOpenError(CannotOpen(resultsPath, file.fd() < 0 ? error : errno));
        before = StampOf(info);
        settled = MarkStoredLines(file.fd(), resultsPath, 0, before.size, false, lines);
        lastBlock = readBlock(file.fd(), resultsPath, settled);
    }
    if (StoredLinesMarked)
        StoredLinesMarked();
    AppendToFile(resultsPath, [&](int fd) {
        struct stat info {};
        if (::fstat(fd, &info) != 0)
            throw EFOpenError(CannotRead(resultsPath, errno));
        const FileStamp now = StampOf(info);
        if (!StillHeld(before, settled, now, lastBlock, readBlock(fd, resultsPath, settled))) {
            // Replaced or rewritten meanwhile: read whole.
            lines.clearPresent();
            settled = 0;
        }
        MarkStoredLines(fd, resultsPath, settled, now.size, true, lines);
        merged.bytes.truncate(gather(merged, lines, outcome));
        return std::move(merged.bytes);
    });
    return outcome;
}

QString LineNumbers(const std::vector<LineRange> &lines)
{
    QStringList ranges;
    for (const LineRange &range : lines)
        ranges << (range.first == range.last ? QString::number(range.first)
                                             : QStringLiteral("%1-%2").arg(range.first).arg(range.last));
    return ranges.join(QStringLiteral(", "));
}

} // namespace tarvo::cli
