#include "cli/Files.h"

#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo::cli {

namespace {

[[noreturn]] void refuse(const char *what, const std::string &path, int error)
{
    throw EFOpenError(QStringLiteral("Impossible %1 le fichier « %2 » : %3.")
                          .arg(QString::fromUtf8(what), QString::fromLocal8Bit(path), SystemReason(error))
                          .toStdString());
}

} // namespace

bool IsMissing(const std::string &path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

QByteArray ReadWholeFile(const std::string &path)
{
    int error = 0;
    const int fd = OpenDataFile(path, O_RDONLY, error);
    if (fd < 0)
        refuse("d'ouvrir", path, error);
    QByteArray bytes;
    try {
        struct stat info {};
        if (::fstat(fd, &info) == 0)
            bytes.reserve(qsizetype(info.st_size) + 1);
        char chunk[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = errno;
                break;
            }
            if (n == 0)
                break;
            bytes.append(chunk, qsizetype(n));
        }
    } catch (const std::bad_alloc &) {
        error = ENOMEM;
    }
    ::close(fd);
    if (error != 0)
        refuse("de lire", path, error);
    return bytes;
}

} // namespace tarvo::cli
