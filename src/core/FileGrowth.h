// Telling a file that has only grown since it was read from one changed
// otherwise, without reading again what was read. Used to reload a list by
// reading only the lines appended since.
//
// The rule: the bytes held are taken to be still the file's first bytes when
// it is the same file (device and inode), no shorter, and the last block held
// reads the same in the file now; and, when its size has not changed, when
// neither its modification nor its status-change time has moved (a write in
// place that kept the size). What this does not see: bytes rewritten before
// the last block while the file also grew (any write moves both times, so an
// append cannot be told from a rewrite and an append), and a rewrite in place
// before the last block within the same clock tick as the last read (the
// kernel's file times move by ticks of a few milliseconds). The data files are
// only ever appended to by the program; such a change, by another program, is
// shown the next time the file is read whole: when it is replaced, cut short,
// or the program started again.
#pragma once

#include <QByteArrayView>

#include <cstdint>

struct stat;

namespace tarvo {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
};

FileStamp StampOf(const struct stat &info);

// How many bytes of a block are compared: the last ones held.
inline constexpr std::uint64_t comparedBlock = 4096;

// Whether `held` bytes read from the file when it was `before` are still its
// first bytes now that it is `now`. `heldTail` is the last bytes held (at most
// comparedBlock), `fileTail` the file's bytes at the same place, read now.
bool StillHeld(const FileStamp &before, std::uint64_t held, const FileStamp &now, QByteArrayView heldTail,
               QByteArrayView fileTail);

} // namespace tarvo
