// The lines a merge brings, held as offsets into the one buffer that holds the
// files merged: an open-addressing table sized once from the buffer, 8 bytes a
// slot, so that the merge's memory stays within about 1.2 times the files it
// reads. A line equal to one in the results file is marked present there; the
// results file itself is read a block at a time, never held whole.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::cli {

// The shortest well-formed line, CR LF included: three numbers of 12 characters,
// twelve spaces, " 0 à 0     [CM ]".
inline constexpr std::uint64_t shortestLine = 3 * 12 + 12 + 16 + 2;

class MergeLines {
public:
    // `bytes` ends each line it holds in CR LF and holds no CR inside a line.
    MergeLines(const QByteArray &bytes, std::uint64_t most);

    // The bytes merged must be fewer: 40 bits of a slot hold an offset.
    static constexpr std::uint64_t largestBytes = std::uint64_t(1) << 40;

    // The table's size for at most `most` lines, in bytes.
    static std::uint64_t tableBytes(std::uint64_t most);

    // Adds the line (without its CR LF) at `offset`; false when an equal line
    // is there already.
    bool insert(std::uint64_t offset, std::string_view body);

    enum class Seen { Not, First, Present };
    // Whether the line at `offset` was inserted (the first of its bytes), and
    // whether it was marked present. Compares offsets only, never other lines'
    // bytes: lines before `offset` may have been moved already.
    Seen seen(std::uint64_t offset, std::string_view body) const;

    // Marks the line equal to `body`, if any, as present in the results file.
    void markPresent(std::string_view body);
    void clearPresent();

private:
    // Also gives the hash bits a slot of `body` holds.
    std::size_t find(std::string_view body, std::uint64_t &tag) const;
    std::string_view bodyAt(std::uint64_t slot) const;

    const QByteArray &bytes_;
    std::vector<std::uint64_t> slots_; // 0 empty, else offset + 1, and the present bit
};

// Marks the lines of the results file between `from` and `to` present (lines
// end at CR or LF; the last one, when it has no line end, only if `whole`);
// returns the offset past the last line end. Reads a block at a time. Throws
// EFOpenError naming `path`.
std::uint64_t MarkStoredLines(int fd, const std::string &path, std::uint64_t from, std::uint64_t to, bool whole,
                              MergeLines &lines);

} // namespace tarvo::cli
