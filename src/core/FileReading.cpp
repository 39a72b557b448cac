#include "core/FileReading.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace tarvo {

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::uint64_t ReadAt(int fd, char *into, std::uint64_t size, std::uint64_t offset, int &error)
{
    std::uint64_t done = 0;
    while (done < size) {
        // Linux moves at most about 2 GB per call.
        const std::size_t chunk = std::size_t(std::min<std::uint64_t>(size - done, 1 << 30));
        const ssize_t n = ::pread(fd, into + done, chunk, off_t(offset + done));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return done;
        }
        done += std::uint64_t(n);
    }
    error = 0;
    return done;
}

} // namespace tarvo
