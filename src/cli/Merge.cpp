#include "cli/Merge.h"

#include "cli/Files.h"
#include "cli/ResultFields.h"

#include "core/DataFiles.h"
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
    LineList stored;
    if (!IsMissing(resultsPath))
        stored.loadSorted(resultsPath);
    // Every file is read before anything is written.
    std::vector<QByteArray> contents;
    contents.reserve(files.size());
    std::size_t expected = std::size_t(stored.size());
    for (const std::string &file : files) {
        contents.push_back(ReadWholeFile(file));
        expected += std::size_t(contents.back().count('\n'));
    }

    LineSet seen(expected);
    for (qsizetype i = 0; i < stored.size(); ++i)
        seen.insert(view(stored.bytesAt(i)));

    MergeOutcome outcome;
    QByteArray added;
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
            if (!seen.insert(view(body))) {
                ++outcome.present;
                continue;
            }
            added.append(line.data(), line.size()).append('\n');
            ++outcome.added;
        }
        outcome.refused += std::int64_t(refused.lines.size());
        if (!refused.lines.empty())
            outcome.refusals.push_back(std::move(refused));
    }
    if (!added.isEmpty())
        AppendToFile(resultsPath, added);
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
