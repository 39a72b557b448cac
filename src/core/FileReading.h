// Reading a data file: a descriptor closed on every way out, positioned reads
// of any length (looped over the system's limit per call and over
// interruptions), and a whole small file at once. Files are opened the one way
// (FileOpening.h), and read rather than mapped: a file cut short by another
// program while it is shown would crash a mapping. The lists (LineList.h) read
// with ReadAt within their memory budget; the command line reads whole files.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>

namespace tarvo {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

// Reads up to `size` bytes at `offset` into `into`; fewer only at the end of the
// file. `error` is 0, or the errno of a failed read (the bytes read before it
// are counted).
std::uint64_t ReadAt(int fd, char *into, std::uint64_t size, std::uint64_t offset, int &error);

// The bytes of the file open at `fd`, from its start to its size when called,
// less the part of an append in progress or cut off (AppendJournal.h).
// Throws EFOpenError naming `path` when it cannot be read or held in memory.
QByteArray ReadWhole(int fd, const std::string &path);

// The whole file, opened as a data file: only a regular file is read. Throws
// EFOpenError when it cannot be opened or read.
QByteArray ReadWholeFile(const std::string &path);

} // namespace tarvo
