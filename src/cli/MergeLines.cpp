#include "cli/MergeLines.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileReading.h"

#include <cstring>
#include <functional>

namespace tarvo::cli {

namespace {

constexpr std::uint64_t presentBit = std::uint64_t(1) << 63;
// A slot holds the line's offset + 1 in its low bits and, above them, bits of
// the line's hash: a probe reads the line's bytes (far away in memory) only
// when those bits match.
constexpr std::uint64_t offsetMask = MergeLines::largestBytes - 1;
constexpr std::uint64_t tagMask = ~offsetMask & ~presentBit;

std::uint64_t tagOf(std::size_t hash)
{
    // The hash's high bits: its low ones chose the first slot.
    return std::uint64_t(hash) >> 41 << 40;
}

std::size_t hashOf(std::string_view body)
{
    return std::hash<std::string_view>()(body);
}

} // namespace

MergeLines::MergeLines(const QByteArray &bytes, std::uint64_t most)
    : bytes_(bytes)
    , slots_(std::size_t(tableBytes(most) / sizeof(std::uint64_t)), 0)
{
}

std::uint64_t MergeLines::tableBytes(std::uint64_t most)
{
    // At most three slots in four taken: a miss stays a few probes long.
    return (most + most / 3 + 16) * sizeof(std::uint64_t);
}

std::string_view MergeLines::bodyAt(std::uint64_t slot) const
{
    const std::uint64_t offset = (slot & offsetMask) - 1;
    const char *start = bytes_.constData() + offset;
    return std::string_view(start, std::size_t(static_cast<const char *>(
                                                   std::memchr(start, '\r', std::size_t(bytes_.size()) - offset))
                                               - start));
}

// The slot of the line equal to `body`, or of the empty slot where it would go.
std::size_t MergeLines::find(std::string_view body, std::uint64_t &tag) const
{
    const std::size_t hash = hashOf(body);
    tag = tagOf(hash);
    for (std::size_t i = hash % slots_.size();; i = i + 1 == slots_.size() ? 0 : i + 1) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0)
            return i;
        if ((slot & tagMask) != tag)
            continue;
        const std::string_view held = bodyAt(slot);
        if (held.size() == body.size() && std::memcmp(held.data(), body.data(), body.size()) == 0)
            return i;
    }
}

bool MergeLines::insert(std::uint64_t offset, std::string_view body)
{
    std::uint64_t tag = 0;
    std::uint64_t &slot = slots_[find(body, tag)];
    if (slot != 0)
        return false;
    slot = tag | (offset + 1);
    return true;
}

MergeLines::Seen MergeLines::seen(std::uint64_t offset, std::string_view body) const
{
    for (std::size_t i = hashOf(body) % slots_.size(); slots_[i] != 0; i = i + 1 == slots_.size() ? 0 : i + 1)
        if ((slots_[i] & offsetMask) == offset + 1)
            return slots_[i] & presentBit ? Seen::Present : Seen::First;
    return Seen::Not;
}

void MergeLines::markPresent(std::string_view body)
{
    std::uint64_t tag = 0;
    std::uint64_t &slot = slots_[find(body, tag)];
    if (slot != 0)
        slot |= presentBit;
}

void MergeLines::clearPresent()
{
    for (std::uint64_t &slot : slots_)
        slot &= ~presentBit;
}

std::uint64_t MarkStoredLines(int fd, const std::string &path, std::uint64_t from, std::uint64_t to, bool whole,
                              MergeLines &lines)
{
    constexpr std::uint64_t block = 1 << 20;
    std::string held; // the line begun in the block before, then this block
    std::uint64_t heldFrom = from;
    std::uint64_t settled = from;
    for (std::uint64_t at = from; at < to;) {
        const std::size_t carried = held.size();
        const std::uint64_t size = std::min(block, to - at);
        held.resize(carried + size);
        int error = 0;
        const std::uint64_t got = ReadAt(fd, held.data() + carried, size, at, error);
        if (error != 0)
            throw EFOpenError(CannotRead(path, error));
        held.resize(carried + got);
        at += got;
        const bool last = got < size || at >= to;
        std::size_t start = 0;
        for (std::size_t i = 0; i < held.size(); ++i) {
            if (held[i] != '\r' && held[i] != '\n')
                continue;
            if (i > start)
                lines.markPresent(std::string_view(held).substr(start, i - start));
            start = i + 1;
            settled = heldFrom + start;
        }
        if (last) {
            if (whole && start < held.size())
                lines.markPresent(std::string_view(held).substr(start));
            break;
        }
        held.erase(0, start);
        heldFrom += start;
    }
    return settled;
}

} // namespace tarvo::cli
