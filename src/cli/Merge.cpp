#include "cli/Merge.h"

#include "cli/ResultFields.h"

#include "core/FileAppend.h"
#include "core/FileReading.h"
#include "core/LineList.h"

#include <QByteArray>
#include <QStringList>

#include <bit>
#include <functional>
#include <string_view>

namespace tarvo::cli {

namespace {

// The lines met so far, by their bytes: open addressing over views of bytes
// that stay in memory for the whole merge.
class LineSet {
public:
    explicit LineSet(std::size_t expected)
        : slots_(std::bit_ceil(std::max<std::size_t>(16, expected * 2)))
    {
    }

    // False when the line was already there.
    bool insert(std::string_view line)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = std::hash<std::string_view>()(line) & mask;; i = (i + 1) & mask) {
            if (slots_[i].data() == nullptr) {
                if (++count_ * 2 > slots_.size())
                    grow();
                place(line);
                return true;
            }
            if (slots_[i] == line)
                return false;
        }
    }

private:
    void place(std::string_view line)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = std::hash<std::string_view>()(line) & mask;
        while (slots_[i].data() != nullptr)
            i = (i + 1) & mask;
        slots_[i] = line;
    }

    void grow()
    {
        std::vector<std::string_view> old(slots_.size() * 2);
        old.swap(slots_);
        for (const std::string_view line : old)
            if (line.data() != nullptr)
                place(line);
    }

    std::vector<std::string_view> slots_;
    std::size_t count_ = 0;
};

std::string_view view(QByteArrayView bytes)
{
    // An empty line still needs an address, to tell it from an empty slot.
    static const char empty = 0;
    return bytes.isEmpty() ? std::string_view(&empty, 0) : std::string_view(bytes.data(), std::size_t(bytes.size()));
}

} // namespace

MergeOutcome MergeInto(const std::string &resultsPath, const std::vector<std::string> &files)
{
    // Every file is read before anything is written, and taken apart before
    // the results file is locked: under the lock only that file is read.
    std::vector<QByteArray> contents;
    contents.reserve(files.size());
    std::size_t expected = 0;
    for (const std::string &file : files) {
        contents.push_back(ReadWholeFile(file));
        expected += std::size_t(contents.back().count('\n'));
    }

    MergeOutcome outcome;
    LineSet given(expected);
    std::vector<QByteArrayView> candidates; // the well-formed lines, each once, CR LF included
    for (std::size_t f = 0; f < files.size(); ++f) {
        const QByteArray &bytes = contents[f];
        Refused refused{files[f], {}};
        std::int64_t number = 0;
        for (qsizetype start = 0; start < bytes.size();) {
            ++number;
            qsizetype end = bytes.indexOf('\n', start);
            const bool ended = end >= 0;
            if (!ended)
                end = bytes.size();
            const QByteArrayView line(bytes.constData() + start, end - start);
            start = end + 1;
            // A CR inside would end a line where the file's readers cut it.
            const QByteArrayView body = line.chopped(line.endsWith('\r') ? 1 : 0);
            if (!ended || body.size() == line.size() || body.contains('\r') || !ParseResultLine(body)) {
                refused.lines.push_back(number);
                continue;
            }
            if (!given.insert(view(body))) {
                ++outcome.present;
                continue;
            }
            candidates.push_back(QByteArrayView(line.data(), line.size() + 1));
        }
        outcome.refused += std::int64_t(refused.lines.size());
        if (!refused.lines.empty())
            outcome.refusals.push_back(std::move(refused));
    }
    if (candidates.empty())
        return outcome;

    // What the results file holds is read under its lock, so that a line
    // another copy appends meanwhile is seen, not added twice.
    AppendToFile(resultsPath, [&](int fd) {
        const LineList stored = LineList::fromBytes(ReadWhole(fd, resultsPath));
        LineSet seen(std::size_t(stored.size()));
        for (qsizetype i = 0; i < stored.size(); ++i)
            seen.insert(view(stored.bytesAt(i)));
        QByteArray added;
        for (const QByteArrayView line : candidates) {
            if (seen.insert(view(line.chopped(2)))) {
                added += line;
                ++outcome.added;
            } else {
                ++outcome.present;
            }
        }
        return added;
    });
    return outcome;
}

QString LineNumbers(const std::vector<std::int64_t> &lines)
{
    QStringList ranges;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i;
        while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1)
            ++j;
        ranges << (j == i ? QString::number(lines[i]) : QStringLiteral("%1-%2").arg(lines[i]).arg(lines[j]));
        i = j + 1;
    }
    return ranges.join(QStringLiteral(", "));
}

} // namespace tarvo::cli
