// Sorting lines in ascending byte order (a space before the digits, bytes above
// 0x7F after ASCII) as 16-byte records of a coded key and a reference. A key
// codes the bytes past what every line of a run shares in as few bits as the
// bytes met there need: the digits, spaces and points of a results line take 4
// bits each, so one key holds the index and the floating result. Runs of equal
// keys are sorted again from the next bytes; a long list is split at a sampled
// median key and sorted on two threads, its keys made there too, a half each.
#pragma once

#include "core/LineRecords.h"

namespace tarvo::lines {

// Sorts [first, last) of the lines of `data`; lines with the same bytes are
// interchangeable, so the order is not stable. The keys are overwritten.
void SortRecords(const char *data, const LongLines &longLines, Record *first, Record *last);

// Whole lines in that order, by their references.
bool LineLess(const char *data, const LongLines &longLines, std::uint64_t a, std::uint64_t b);

} // namespace tarvo::lines
