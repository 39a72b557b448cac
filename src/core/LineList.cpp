#include "core/LineList.h"

#include "core/Ansi.h"
#include "core/Errors.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

[[noreturn]] void throwOpenError(const std::string &path, int error)
{
    throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier « %1 » : %2.")
                          .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(error)))
                          .toStdString());
}

} // namespace

LineList LineList::fromFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throwOpenError(path, errno);

    QByteArray bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(qsizetype(info.st_size) + 1); // one spare byte sees the end of file

    // Read to the end rather than trusting the size: the file may grow meanwhile,
    // or not be a regular file at all.
    for (;;) {
        if (bytes.capacity() == bytes.size())
            bytes.reserve(std::max<qsizetype>(1 << 16, bytes.capacity() * 2));
        const qsizetype at = bytes.size();
        bytes.resize(bytes.capacity());
        const ssize_t n = ::read(fd, bytes.data() + at, size_t(bytes.size() - at));
        bytes.resize(at + std::max<ssize_t>(n, 0));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throwOpenError(path, error);
        }
    }
    ::close(fd);
    return fromBytes(std::move(bytes));
}

LineList LineList::fromBytes(QByteArray bytes)
{
    LineList list;
    list.data_ = std::move(bytes);
    const char *const data = list.data_.constData();
    const qsizetype size = list.data_.size();
    qsizetype begin = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        list.lines_.push_back({begin, i - begin});
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < size)
        list.lines_.push_back({begin, size - begin});
    return list;
}

QByteArrayView LineList::bytesAt(qsizetype i) const
{
    const Span &span = lines_[size_t(i)];
    return QByteArrayView(data_.constData() + span.begin, span.length);
}

QString LineList::at(qsizetype i) const
{
    return fromAnsi(bytesAt(i));
}

QStringList LineList::toStringList() const
{
    QStringList list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LineList::sort()
{
    const char *const data = data_.constData();
    std::stable_sort(lines_.begin(), lines_.end(), [data](const Span &a, const Span &b) {
        const int c = std::memcmp(data + a.begin, data + b.begin, size_t(std::min(a.length, b.length)));
        return c != 0 ? c < 0 : a.length < b.length;
    });
}

} // namespace tarvo
