// How a list refers to its lines, and how bytes become lines. A line is an
// 8-byte reference into the bytes (its offset, then its length saturated, the
// lengths of lines of 16 MB and more kept apart by offset); while it is sorted,
// a line is a 16-byte record: a sort key beside its reference, so that nearly
// every comparison is one integer compare within the array being sorted
// instead of a memcmp reaching into the file's bytes far away in memory.
#pragma once

#include "core/PageBuffer.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarvo::lines {

// 40 bits of offset reach 1 TB, far beyond any list memory can hold.
inline constexpr int lengthBits = 24;
inline constexpr std::uint64_t savedLength = (std::uint64_t(1) << lengthBits) - 1;
inline constexpr std::uint64_t largestSize = std::uint64_t(1) << (64 - lengthBits);

inline std::uint64_t RefOf(std::uint64_t begin, std::uint64_t length)
{
    return begin << lengthBits | std::min(length, savedLength);
}

inline std::uint64_t BeginOf(std::uint64_t ref)
{
    return ref >> lengthBits;
}

// (offset, length) of every line of savedLength bytes or more, by offset.
using LongLines = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::uint64_t LengthOf(const LongLines &longLines, std::uint64_t ref);

struct Record {
    std::uint64_t key;
    std::uint64_t ref;
};
static_assert(sizeof(Record) == 16);

// Cuts [from, size) of `data` into records, in file order, into `records`.
// Lines end at CR LF, and also at a lone LF or CR; a final line end gives no
// extra line. Long lines that begin at `newFrom` or after are added to
// `longLines` (those before it are there already). The records may take at
// most `room` bytes: false when they would need more (the records cut so far
// stay, `count` says how many).
bool CutRecords(const char *data, std::uint64_t from, std::uint64_t size, std::uint64_t newFrom,
                LongLines &longLines, PageBuffer &records, std::int64_t &count, std::uint64_t room);

// Keeps only the records' references, in place, giving the rest back.
void KeepRefs(PageBuffer &records, std::int64_t count);

} // namespace tarvo::lines
