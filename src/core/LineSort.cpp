#include "core/LineSort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <system_error>
#include <thread>

namespace tarvo::lines {

namespace {

// How bytes become a key. Each byte value met in a run's next bytes gets a rank,
// in byte order, above 0 for "past the line's end".
struct KeyCode {
    std::array<std::uint8_t, 256> rank;
    unsigned bits;  // per byte
    unsigned bytes; // per key
};

// The bytes looked at to choose the code, and so the most a key holds: 16 bytes
// at 4 bits fill it.
constexpr std::uint64_t codedBytes = 16;

// Below this, a second thread costs more than it saves.
constexpr std::ptrdiff_t parallelSortFrom = 1 << 15;
// Runs this short are sorted by comparing their bytes directly.
constexpr std::ptrdiff_t shortRun = 16;

// Buckets shorter than this are sorted by comparing keys.
constexpr std::ptrdiff_t radixFrom = 64;

constexpr auto keyLess = [](const Record &a, const Record &b) { return a.key < b.key; };

// The 8 bits of `key` from bit `shift` up; a negative shift takes the lowest
// 8 + shift bits, moved up.
unsigned digitAt(std::uint64_t key, int shift)
{
    return unsigned((shift >= 0 ? key >> shift : key << -shift) & 0xFF);
}

// Sorts [first, last) by key: a radix sort in place, a byte at a time from bit
// `shift`, below which the keys differ; each bucket is then sorted on its own
// from the next byte down. It reads and writes the records a few times in a
// row where a comparison sort jumps about them log2(n) times.
void radixSort(Record *first, Record *last, int shift)
{
    if (last - first < radixFrom) {
        std::sort(first, last, keyLess);
        return;
    }
    std::array<std::size_t, 256> count{};
    for (const Record *r = first; r != last; ++r)
        ++count[digitAt(r->key, shift)];
    std::array<Record *, 256> next, end;
    Record *at = first;
    for (unsigned b = 0; b < 256; ++b) {
        next[b] = at;
        at += count[b];
        end[b] = at;
    }
    // Each record is moved once, straight to its bucket, the one it displaces
    // then likewise.
    for (unsigned b = 0; b < 256; ++b) {
        while (next[b] != end[b]) {
            Record moving = *next[b];
            for (unsigned d = digitAt(moving.key, shift); d != b; d = digitAt(moving.key, shift))
                std::swap(moving, *next[d]++);
            *next[b]++ = moving;
        }
    }
    if (shift <= 0)
        return; // the lowest bits done: each bucket holds equal keys
    for (unsigned b = 0; b < 256; ++b)
        if (count[b] > 1)
            radixSort(end[b] - count[b], end[b], shift - 8);
}

// Runs work(half, from, to) on the two halves of [first, last), the second on
// another thread when `parallel` (and one is to be had); else work(0, first, last).
template <typename Work>
void onHalves(Record *first, Record *last, bool parallel, Work &&work)
{
    if (parallel) {
        Record *mid = first + (last - first) / 2;
        try {
            std::jthread other([&] { work(1, mid, last); });
            work(0, first, mid);
            return;
        } catch (const std::system_error &) {
            // No thread to be had: this one does it all.
        }
    }
    work(0, first, last);
}

class Sorter {
public:
    Sorter(const char *data, const LongLines &longLines)
        : data_(data)
        , longLines_(longLines)
    {
    }

    // Every line of [first, last) has the same first `depth` bytes, reading
    // bytes past a line's end as zero.
    void sort(Record *first, Record *last, std::uint64_t depth, bool parallel) const
    {
        // Lines ending within those bytes begin every other one: first, shortest first.
        Record *rest = std::partition(first, last, [&](const Record &r) { return length(r) <= depth; });
        if (rest - first > 1)
            std::sort(first, rest, [&](const Record &a, const Record &b) { return length(a) < length(b); });
        first = rest;
        if (last - first < 2)
            return;
        if (last - first <= shortRun) {
            std::sort(first, last, [&](const Record &a, const Record &b) { return less(a.ref, b.ref, depth); });
            return;
        }

        // A long run's keys are made on two threads, a half each.
        parallel = parallel && last - first >= parallelSortFrom && std::thread::hardware_concurrency() > 1;
        // Bytes the whole run shares say nothing about order (the index's
        // leading spaces in a results file).
        constexpr std::uint64_t unset = ~std::uint64_t(0); // a half not made
        std::array<std::uint64_t, 2> common{unset, unset};
        onHalves(first, last, parallel, [&](int half, Record *from, Record *to) {
            common[half] = shared(*first, from, to, depth);
        });
        depth += std::min(common[0], common[1]);
        std::array<std::array<bool, 256>, 2> met{};
        onHalves(first, last, parallel, [&](int half, Record *from, Record *to) { meet(from, to, depth, met[half]); });
        for (std::size_t byte = 0; byte < 256; ++byte)
            met[0][byte] = met[0][byte] || met[1][byte];
        const KeyCode code = codeFor(met[0]);
        if (code.bits == 0)
            return; // every line ends there: all the same
        // The bits where some keys differ are set in some and clear in others.
        std::array<std::uint64_t, 2> some{}, all{~std::uint64_t(0), ~std::uint64_t(0)};
        onHalves(first, last, parallel, [&](int half, Record *from, Record *to) {
            for (Record *r = from; r != to; ++r) {
                r->key = key(*r, depth, code);
                some[half] |= r->key;
                all[half] &= r->key;
            }
        });
        const int highest = int(std::bit_width((some[0] | some[1]) & ~(all[0] & all[1]))) - 1;

        // Two parts split at a sampled median key sort side by side and need no merge.
        if (parallel) {
            std::array<std::uint64_t, 63> sample;
            const std::ptrdiff_t step = (last - first) / std::ptrdiff_t(sample.size());
            for (std::size_t i = 0; i < sample.size(); ++i)
                sample[i] = first[std::ptrdiff_t(i) * step].key;
            std::nth_element(sample.begin(), sample.begin() + 31, sample.end());
            const std::uint64_t pivot = sample[31];
            Record *mid = std::partition(first, last, [pivot](const Record &r) { return r.key < pivot; });
            if (mid == first)
                mid = std::partition(first, last, [pivot](const Record &r) { return r.key <= pivot; });
            if (mid != first && mid != last) {
                try {
                    std::thread other([&] { sortByKey(mid, last, depth + code.bytes, highest); });
                    sortByKey(first, mid, depth + code.bytes, highest);
                    other.join();
                    return;
                } catch (const std::system_error &) {
                    // No thread to be had: sort on this one.
                }
            }
        }
        sortByKey(first, last, depth + code.bytes, highest);
    }

    bool less(std::uint64_t a, std::uint64_t b, std::uint64_t depth = 0) const
    {
        const std::uint64_t la = LengthOf(longLines_, a), lb = LengthOf(longLines_, b);
        const std::uint64_t n = std::min(la, lb);
        if (n > depth) {
            const int c = std::memcmp(line(a) + depth, line(b) + depth, n - depth);
            if (c != 0)
                return c < 0;
        }
        return la < lb;
    }

private:
    const char *line(std::uint64_t ref) const { return data_ + BeginOf(ref); }
    const char *line(const Record &r) const { return line(r.ref); }
    std::uint64_t length(const Record &r) const { return LengthOf(longLines_, r.ref); }

    // Marks the bytes met in the next bytes of the lines of [first, last).
    void meet(const Record *first, const Record *last, std::uint64_t depth, std::array<bool, 256> &met) const
    {
        for (const Record *r = first; r != last; ++r) {
            const auto *p = reinterpret_cast<const unsigned char *>(line(*r)) + depth;
            const std::uint64_t n = std::min(length(*r) - depth, codedBytes);
            for (std::uint64_t i = 0; i < n; ++i)
                met[p[i]] = true;
        }
    }

    static KeyCode codeFor(const std::array<bool, 256> &met)
    {
        KeyCode code {};
        unsigned ranks = 0;
        for (unsigned byte = 0; byte < 256; ++byte)
            if (met[byte])
                code.rank[byte] = std::uint8_t(++ranks);
        code.bits = unsigned(std::bit_width(ranks));
        if (code.bits == 0)
            return code;
        if (code.bits >= 8) {
            // Plain bytes: "past the end" and a zero byte then read the same,
            // which the deeper passes and the lengths tell apart.
            for (unsigned byte = 0; byte < 256; ++byte)
                code.rank[byte] = std::uint8_t(byte);
            code.bits = 8;
        }
        // No more bytes than were looked at: one not seen would have no rank.
        code.bytes = std::min(64 / code.bits, unsigned(codedBytes));
        return code;
    }

    std::uint64_t key(const Record &r, std::uint64_t depth, const KeyCode &code) const
    {
        const auto *p = reinterpret_cast<const unsigned char *>(line(r)) + depth;
        const std::uint64_t n = std::min<std::uint64_t>(length(r) - depth, code.bytes);
        if (n == 0)
            return 0;
        std::uint64_t key = 0;
        for (std::uint64_t i = 0; i < n; ++i)
            key = key << code.bits | code.rank[p[i]];
        return key << (code.bits * (code.bytes - n));
    }

    // How many bytes from `depth` every line of [first, last) shares with `with`.
    std::uint64_t shared(const Record &with, const Record *first, const Record *last, std::uint64_t depth) const
    {
        const char *a = line(with) + depth;
        std::uint64_t common = length(with) - depth;
        for (const Record *r = first; r != last && common > 0; ++r) {
            const std::uint64_t n = std::min(common, length(*r) - depth);
            common = std::uint64_t(std::mismatch(a, a + n, line(*r) + depth).first - a);
        }
        return common;
    }

    // By key, the keys being alike above bit `highest` (all alike when it is
    // negative); then the runs of equal keys, from `depth`, the first byte past
    // the keys.
    void sortByKey(Record *first, Record *last, std::uint64_t depth, int highest) const
    {
        if (highest >= 0)
            radixSort(first, last, highest - 7);
        for (Record *run = first; run != last;) {
            Record *end = run + 1;
            while (end != last && end->key == run->key)
                ++end;
            if (end - run > 1)
                sort(run, end, depth, false);
            run = end;
        }
    }

    const char *data_;
    const LongLines &longLines_;
};

} // namespace

void SortRecords(const char *data, const LongLines &longLines, Record *first, Record *last)
{
    Sorter(data, longLines).sort(first, last, 0, true);
}

bool LineLess(const char *data, const LongLines &longLines, std::uint64_t a, std::uint64_t b)
{
    return Sorter(data, longLines).less(a, b);
}

} // namespace tarvo::lines
