#include "core/FileReading.h"

#include "core/AppendJournal.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileOpening.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
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

QByteArray ReadWhole(int fd, const std::string &path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw EFOpenError(CannotRead(path, errno));
    const std::uint64_t settled = SettledSize(path, fd, std::uint64_t(info.st_size));
    QByteArray bytes;
    int error = 0;
    try {
        bytes.resize(qsizetype(settled));
        bytes.resize(qsizetype(ReadAt(fd, bytes.data(), settled, 0, error)));
    } catch (const std::bad_alloc &) {
        error = ENOMEM;
    }
    if (error != 0)
        throw EFOpenError(CannotRead(path, error));
    return bytes;
}

QByteArray ReadWholeFile(const std::string &path)
{
    int error = 0;
    const FileDescriptor file(OpenDataFile(path, O_RDONLY, error));
    if (file.fd() < 0)
        throw EFOpenError(CannotOpen(path, error));
    return ReadWhole(file.fd(), path);
}

} // namespace tarvo
