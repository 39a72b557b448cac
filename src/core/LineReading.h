// Reading a file whole and cutting it into line records (LineRecords.h) at
// once: a long file is read and cut in two halves, each on its own thread,
// the second half beginning at its first line end. The records come out as
// one cut of the whole file would give them.
#pragma once

#include "core/LineRecords.h"

#include <cstdint>

namespace tarvo::lines {

struct LinesRead {
    std::uint64_t size = 0; // bytes read: fewer than asked when the file was cut short
    std::int64_t count = 0; // records cut
    bool fits = true;       // false when the records would need more than `room`
    int error = 0;          // the errno of a failed read
};

// Reads `size` bytes of `fd` from its start into `data` and cuts them into
// `records`, within `room` bytes of records; long lines are added to
// `longLines`, empty before. Throws std::bad_alloc.
LinesRead ReadLines(int fd, char *data, std::uint64_t size, LongLines &longLines, PageBuffer &records,
                    std::uint64_t room);

} // namespace tarvo::lines
