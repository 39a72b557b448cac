#include "core/LineRecords.h"

#include <cstring>

namespace tarvo::lines {

namespace {

// Cuts [from, size) of `data` into lines, handing each one's start and length to
// `line`, until it returns false. memchr finds each LF, then the CRs before it: the usual CR LF line
// costs two vectorised searches, and lone CRs and LFs still end lines.
template <typename Line>
void cutLines(const char *data, std::uint64_t from, std::uint64_t size, Line &&line)
{
    std::uint64_t begin = from;
    while (begin < size) {
        const void *found = std::memchr(data + begin, '\n', size - begin);
        const std::uint64_t lf = found ? std::uint64_t(static_cast<const char *>(found) - data) : size;
        bool endedAtLf = false;
        while (const void *cr = std::memchr(data + begin, '\r', lf - begin)) {
            const std::uint64_t at = std::uint64_t(static_cast<const char *>(cr) - data);
            if (!line(begin, at - begin))
                return;
            begin = at + 1;
            if (begin == lf && lf < size) { // CR LF is one line end
                begin = lf + 1;
                endedAtLf = true;
                break;
            }
        }
        if (endedAtLf)
            continue;
        if (lf < size) {
            if (!line(begin, lf - begin))
                return;
            begin = lf + 1;
        } else if (begin < size) {
            line(begin, size - begin);
            begin = size;
        }
    }
}

} // namespace

std::uint64_t LengthOf(const LongLines &longLines, std::uint64_t ref)
{
    const std::uint64_t saved = ref & savedLength;
    if (saved < savedLength)
        return saved;
    const auto found = std::lower_bound(longLines.begin(), longLines.end(), std::make_pair(BeginOf(ref), std::uint64_t(0)));
    return found->second;
}

bool CutRecords(const char *data, std::uint64_t from, std::uint64_t size, std::uint64_t newFrom,
                LongLines &longLines, PageBuffer &records, std::int64_t &count, std::uint64_t room)
{
    count = 0;
    if (size == from)
        return true;
    std::size_t capacity = 0;
    // As many lines as the first megabyte promises, and a little more: the
    // buffer is then mapped once rather than moved as it grows.
    const std::uint64_t sample = std::min<std::uint64_t>(size - from, 1 << 20);
    const auto ends = [&](char end) { return std::uint64_t(std::count(data + from, data + from + sample, end)); };
    const std::uint64_t perSample = std::max(ends('\n'), ends('\r')) + 1;
    const std::uint64_t expected = (size - from) * perSample / sample / 16 * 17 + 1024;
    const std::uint64_t most = room / sizeof(Record);
    bool fits = true;
    cutLines(data, from, size, [&](std::uint64_t begin, std::uint64_t length) {
        if (std::size_t(count) == capacity) {
            if (capacity >= most) {
                fits = false;
                return false;
            }
            const std::uint64_t wanted = std::max<std::uint64_t>(capacity + capacity / 2, expected);
            capacity = std::size_t(std::min(wanted, most));
            records.resize(capacity * sizeof(Record));
        }
        if (length >= savedLength && begin >= newFrom)
            longLines.emplace_back(begin, length);
        reinterpret_cast<Record *>(records.data())[count++] = {0, RefOf(begin, length)};
        return true;
    });
    return fits;
}

void KeepRefs(PageBuffer &records, std::int64_t count)
{
    const auto *first = reinterpret_cast<const Record *>(records.data());
    // Reference i lands on bytes that record i / 2 held, already read.
    auto *refs = reinterpret_cast<std::uint64_t *>(records.data());
    for (std::int64_t i = 0; i < count; ++i)
        refs[i] = first[i].ref;
    records.resize(std::size_t(count) * sizeof(std::uint64_t));
}

} // namespace tarvo::lines
