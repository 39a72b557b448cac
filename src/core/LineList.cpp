#include "core/LineList.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

[[noreturn]] void throwOpenError(const std::string &path, int error)
{
    throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier « %1 » : %2.")
                          .arg(QString::fromLocal8Bit(path), SystemReason(error))
                          .toStdString());
}

// A line as the sort sees it: its bytes from the offset where the lines start
// to differ, 16 of them held as two big-endian words (zero-padded), so that most
// comparisons are two integer compares on the array being sorted instead of a
// memcmp reaching into the file's bytes far away in memory.
struct Keyed {
    std::uint64_t high;
    std::uint64_t low;
    qsizetype begin;
    qsizetype length;
};

constexpr qsizetype keyBytes = 16;

Keyed keyOf(const char *data, qsizetype begin, qsizetype length, qsizetype from)
{
    const char *p = data + begin + from;
    const qsizetype available = length - from;
    if (available >= keyBytes)
        return {qFromBigEndian<quint64>(p), qFromBigEndian<quint64>(p + 8), begin, length};
    unsigned char padded[keyBytes] = {};
    std::memcpy(padded, p, size_t(available));
    return {qFromBigEndian<quint64>(padded), qFromBigEndian<quint64>(padded + 8), begin, length};
}

// Below this, a second thread costs more than it saves.
constexpr std::size_t parallelSortFrom = 1 << 15;

} // namespace

LineList LineList::fromFile(const std::string &path, const std::function<void()> &opened)
{
    struct Descriptor {
        int fd;
        ~Descriptor() { ::close(fd); }
    };
    const Descriptor file {::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throwOpenError(path, errno);
    struct stat info {};
    const bool known = ::fstat(file.fd, &info) == 0;
    // A directory opens but cannot be read: refuse it before `opened` runs.
    if (known && S_ISDIR(info.st_mode))
        throwOpenError(path, EISDIR);
    if (opened)
        opened();

    QByteArray bytes;
    if (known && S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(qsizetype(info.st_size) + 1); // one spare byte sees the end of file

    // Read to the end rather than trusting the size: the file may grow meanwhile,
    // or not be a regular file at all.
    for (;;) {
        if (bytes.capacity() == bytes.size())
            bytes.reserve(std::max<qsizetype>(1 << 16, bytes.capacity() * 2));
        const qsizetype at = bytes.size();
        bytes.resize(bytes.capacity());
        const ssize_t n = ::read(file.fd, bytes.data() + at, size_t(bytes.size() - at));
        bytes.resize(at + std::max<ssize_t>(n, 0));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            throwOpenError(path, errno);
    }
    return fromBytes(std::move(bytes));
}

LineList LineList::fromBytes(QByteArray bytes)
{
    LineList list;
    list.data_ = std::move(bytes);
    const char *const data = list.data_.constData();
    const qsizetype size = list.data_.size();
    auto &lines = list.lines_;

    // memchr finds each LF, then the CRs before it: the usual CR LF line costs two
    // vectorised searches, and lone CRs and LFs still end lines.
    qsizetype begin = 0;
    while (begin < size) {
        const void *found = std::memchr(data + begin, '\n', size_t(size - begin));
        const qsizetype lf = found ? static_cast<const char *>(found) - data : size;
        bool endedAtLf = false;
        while (const void *cr = std::memchr(data + begin, '\r', size_t(lf - begin))) {
            const qsizetype at = static_cast<const char *>(cr) - data;
            lines.push_back({begin, at - begin});
            begin = at + 1;
            if (begin == lf && lf < size) { // CR LF is one line end
                begin = lf + 1;
                endedAtLf = true;
                break;
            }
        }
        if (endedAtLf)
            continue;
        if (lf < size) {
            lines.push_back({begin, lf - begin});
            begin = lf + 1;
        } else if (begin < size) {
            lines.push_back({begin, size - begin});
            begin = size;
        }
    }
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
    if (lines_.size() < 2)
        return;
    const char *const data = data_.constData();

    // Bytes every line shares (the index's leading spaces) say nothing about order.
    const Span &first = lines_.front();
    qsizetype common = first.length;
    for (const Span &line : lines_) {
        const char *a = data + first.begin;
        const qsizetype n = std::min(common, line.length);
        common = std::mismatch(a, a + n, data + line.begin).first - a;
        if (common == 0)
            break;
    }

    std::vector<Keyed> keyed;
    keyed.reserve(lines_.size());
    for (const Span &line : lines_)
        keyed.push_back(keyOf(data, line.begin, line.length, common));

    const qsizetype tail = common + keyBytes;
    const auto less = [data, tail](const Keyed &a, const Keyed &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        const qsizetype n = std::min(a.length, b.length);
        if (n > tail) {
            const int c = std::memcmp(data + a.begin + tail, data + b.begin + tail, size_t(n - tail));
            if (c != 0)
                return c < 0;
        }
        return a.length < b.length;
    };

    // Two halves sorted side by side, then merged straight back into the spans.
    const auto mid = keyed.begin() + std::ptrdiff_t(keyed.size() / 2);
    bool split = false;
    if (keyed.size() >= parallelSortFrom && std::thread::hardware_concurrency() > 1) {
        try {
            std::thread other([&] { std::sort(mid, keyed.end(), less); });
            std::sort(keyed.begin(), mid, less);
            other.join();
            split = true;
        } catch (const std::system_error &) {
            // No thread to be had: sort on this one.
        }
    }
    if (!split) {
        std::sort(keyed.begin(), keyed.end(), less);
        for (std::size_t i = 0; i < keyed.size(); ++i)
            lines_[i] = {keyed[i].begin, keyed[i].length};
        return;
    }
    auto a = keyed.cbegin();
    auto b = std::vector<Keyed>::const_iterator(mid);
    const auto aEnd = b;
    const auto bEnd = keyed.cend();
    auto out = lines_.begin();
    while (a != aEnd && b != bEnd) {
        const Keyed &next = less(*b, *a) ? *b++ : *a++;
        *out++ = {next.begin, next.length};
    }
    for (; a != aEnd; ++a)
        *out++ = {a->begin, a->length};
    for (; b != bEnd; ++b)
        *out++ = {b->begin, b->length};
}

} // namespace tarvo
