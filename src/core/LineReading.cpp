#include "core/LineReading.h"

#include "core/FileReading.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <future>
#include <system_error>
#include <thread>

namespace tarvo::lines {

namespace {

// Below this, a second thread costs more than it saves.
constexpr std::uint64_t splitFrom = 1 << 22;

// The second half of the file: read, then cut from its first line's start,
// which it tells the first half as soon as it is known.
struct SecondHalf {
    std::uint64_t from = 0, read = 0;
    int error = 0;
    std::promise<std::uint64_t> start;
    LongLines longLines;
    PageBuffer records;
    std::int64_t count = 0;
    bool fits = true;
    std::exception_ptr failure; // no memory for the records

    void run(int fd, char *data, std::uint64_t mid, std::uint64_t size, std::uint64_t room)
    {
        read = ReadAt(fd, data + mid, size - mid, mid, error);
        const void *lf = std::memchr(data + mid, '\n', read);
        from = lf ? std::uint64_t(static_cast<const char *>(lf) - data) + 1 : mid + read;
        start.set_value(from);
        try {
            if (error == 0)
                fits = CutRecords(data, from, mid + read, from, longLines, records, count, room);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

LinesRead wholeOnOneThread(int fd, char *data, std::uint64_t size, LongLines &longLines, PageBuffer &records,
                           std::uint64_t room)
{
    LinesRead got;
    got.size = ReadAt(fd, data, size, 0, got.error);
    if (got.error == 0)
        got.fits = CutRecords(data, 0, got.size, 0, longLines, records, got.count, room);
    return got;
}

} // namespace

LinesRead ReadLines(int fd, char *data, std::uint64_t size, LongLines &longLines, PageBuffer &records,
                    std::uint64_t room)
{
    if (size < splitFrom || std::thread::hardware_concurrency() < 2)
        return wholeOnOneThread(fd, data, size, longLines, records, room);
    const std::uint64_t mid = size / 2;
    SecondHalf second;
    std::future<std::uint64_t> start = second.start.get_future();
    std::jthread other; // joined on every way out
    try {
        // Each half within half the room, so that together they never take more.
        other = std::jthread([&] { second.run(fd, data, mid, size, room / 2); });
    } catch (const std::system_error &) {
        return wholeOnOneThread(fd, data, size, longLines, records, room);
    }
    LinesRead got;
    const std::uint64_t first = ReadAt(fd, data, mid, 0, got.error);
    const std::uint64_t from = start.get();
    const bool whole = got.error == 0 && first == mid;
    if (whole)
        got.fits = CutRecords(data, 0, from, 0, longLines, records, got.count, room / 2);
    other.join();
    if (second.failure)
        std::rethrow_exception(second.failure);
    if (!whole) {
        // Cut short meanwhile: the file ends in the first half.
        second.records = PageBuffer();
        got.size = first;
        if (got.error == 0)
            got.fits = CutRecords(data, 0, first, 0, longLines, records, got.count, room);
        return got;
    }
    got.size = mid + second.read;
    got.error = second.error;
    const std::uint64_t total = std::uint64_t(got.count + second.count) * sizeof(Record);
    if (got.error != 0 || !got.fits || !second.fits) {
        // A half beyond half the room, or a failure: what one cut of the whole gives.
        longLines.clear();
        records = PageBuffer();
        second.records = PageBuffer();
        return got.error != 0 ? got : wholeOnOneThread(fd, data, size, longLines, records, room);
    }
    // The second half's records moved over from their end a part at a time,
    // each part given back once copied: the two take little more memory than
    // one cut of the whole.
    records.resize(std::size_t(total), false);
    char *into = records.data() + std::size_t(got.count) * sizeof(Record);
    for (std::size_t left = std::size_t(second.count) * sizeof(Record); left > 0;) {
        const std::size_t part = std::min<std::size_t>(left, 1 << 20);
        left -= part;
        std::memcpy(into + left, second.records.data() + left, part);
        second.records.resize(left);
    }
    longLines.insert(longLines.end(), second.longLines.begin(), second.longLines.end());
    got.count += second.count;
    return got;
}

} // namespace tarvo::lines
