// Reading a regular file already open: a descriptor closed on every way out,
// and positioned reads of any length, looped over the system's limit per call
// and over interruptions. A list is read with these rather than mapped: a
// file cut short by another program while it is shown would crash a mapping.
#pragma once

#include <cstdint>

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

} // namespace tarvo
