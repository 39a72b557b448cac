#include "core/DataFiles.h"

#include "core/Conversions.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <charconv>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvo {

namespace {

QString fileName(std::string_view path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

[[noreturn]] void throwWriteError(const std::string &path, int error)
{
    throw EWriteError(QStringLiteral("Impossible d'écrire dans le fichier « %1 » : %2.")
                          .arg(fileName(path), SystemReason(error))
                          .toStdString());
}

// getcwd with a buffer that grows until the path fits: no length limit. Empty
// when the working directory has no name any more (deleted) or cannot be named.
std::string workingDirectory()
{
    std::vector<char> buffer(256);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

} // namespace

std::string DataFilePath(std::string_view name)
{
    // A working directory that cannot be named still holds the files: they are
    // then opened, and named, by their names alone.
    std::string path = workingDirectory();
    if (path.empty())
        return std::string(name);
    path += '/';
    path += name;
    return path;
}

std::string FormatFixed2(double value, int width)
{
    // std::to_chars is exact and ignores the locale, as printf in the C locale:
    // its digits round the exact binary value, a tie to the even digit.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    if (int(text.size()) < width)
        text.insert(0, size_t(width) - text.size(), ' ');
    return text;
}

QByteArray DataText(const QString &text)
{
    if (text.contains(u'\r') || text.contains(u'\n'))
        throw EEncodingError(QStringLiteral("Le texte « %1 » contient un retour à la ligne, "
                                            "qui ne peut pas être enregistré dans les fichiers "
                                            "de données.")
                                 .arg(QString(text).replace(u'\r', u' ').replace(u'\n', u' '))
                                 .toStdString());
    return toAnsi(text);
}

QString ConfigurationText(const QString &processeur, std::int32_t freqOrigine, std::int32_t freqOverclock,
                          const QString &carteMere)
{
    return processeur + u' ' + IntToStr(freqOrigine) + QStringLiteral(" à ") + IntToStr(freqOverclock)
        + QStringLiteral("     [CM ") + carteMere + u']';
}

QByteArray ResultLine(const ResultRecord &record)
{
    // Each text on its own first, so that a refusal names the one at fault.
    DataText(record.Processeur);
    DataText(record.CarteMere);

    QByteArray line;
    line += QByteArray::fromStdString(FormatFixed2(record.Indice));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatFlottant));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatEntier));
    line += "            ";
    line += toAnsi(ConfigurationText(record.Processeur, record.FreqOrigine, record.FreqOverclock,
                                     record.CarteMere));
    line += "\r\n";
    return line;
}

QByteArray HistoryEntry(const QString &text)
{
    return DataText(text) + "\r\n";
}

QByteArray HistoryEntry(std::int32_t value)
{
    return QByteArray::number(value) + "\r\n";
}

namespace {

// Another copy of the program holds a file's lock for one line and its flush:
// wait for that, but not for a program that keeps the file locked. The wait
// blocks, so that the lock goes to the copy that asked first, and a timer
// signal aimed at this thread cuts it short; its handler does nothing.
int lockForAppend(int fd)
{
    static const int wake = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGRTMIN, &action, nullptr); // no SA_RESTART: the wait returns
        return SIGRTMIN;
    }();
    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = wake;
    event._sigev_un._tid = ::gettid(); // sigev_notify_thread_id, which glibc 2.36 does not name
    timer_t timer;
    const bool timed = ::timer_create(CLOCK_MONOTONIC, &event, &timer) == 0;
    if (timed) {
        const itimerspec patience {{0, 0}, {3, 0}};
        ::timer_settime(timer, 0, &patience, nullptr);
    }
    int result = 0;
    while (::flock(fd, LOCK_EX) != 0) {
        // A file system without locks still takes the line, unguarded.
        if (errno != EINTR)
            break;
        itimerspec left {};
        if (timed && ::timer_gettime(timer, &left) == 0 && left.it_value.tv_sec == 0
            && left.it_value.tv_nsec == 0) {
            result = FileLocked;
            break;
        }
    }
    if (timed)
        ::timer_delete(timer);
    return result;
}

// One write for the whole line: with O_APPEND the kernel places it at the end
// in one piece, so a second writer's line goes before or after it, never inside.
// Past a file-size limit the kernel also sends SIGXFSZ, which would end the
// program: it is held back and discarded, and the write's EFBIG reported.
int writeAll(int fd, QByteArrayView bytes)
{
    sigset_t fileSize, previous;
    sigemptyset(&fileSize);
    sigaddset(&fileSize, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &fileSize, &previous);

    int error = 0;
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        data += n;
        left -= n;
    }

    const timespec now {};
    while (sigtimedwait(&fileSize, nullptr, &now) == SIGXFSZ) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return error;
}

// The line, whole and flushed, or the file as it was: a write that fails part
// way (disk full, quota, size limit, I/O error) leaves no fragment for the next
// line to continue. Under the lock, no other copy appends in between.
int appendWhole(int fd, QByteArrayView bytes)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    int error = writeAll(fd, bytes);
    // A result the user saw confirmed must survive a crash right after. A file
    // system that cannot sync (EINVAL) has been given all it gets.
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (error != 0) {
        while (::ftruncate(fd, info.st_size) != 0 && errno == EINTR) {
        }
    }
    return error;
}

} // namespace

void AppendToFile(const std::string &path, QByteArrayView bytes)
{
    int error = 0;
    const int fd = OpenDataFile(path, O_WRONLY | O_APPEND | O_CREAT, error);
    if (fd < 0)
        throwWriteError(path, error);
    error = lockForAppend(fd);
    if (error == 0)
        error = appendWhole(fd, bytes);
    // Closing releases the lock.
    if (::close(fd) != 0 && errno != EINTR && error == 0)
        error = errno;
    if (error != 0)
        throwWriteError(path, error);
}

std::FILE *OpenHistory(const std::string &path) noexcept
{
    // Only a missing file is created; an existing one is never truncated, and
    // one that is not a plain file is left alone without waiting on it.
    int error = 0;
    int fd = OpenDataFile(path, O_RDONLY, error);
    const char *mode = "r";
    if (fd < 0 && error == ENOENT) {
        fd = OpenDataFile(path, O_WRONLY | O_CREAT, error);
        mode = "w";
    }
    if (fd < 0)
        return nullptr;
    std::FILE *stream = ::fdopen(fd, mode);
    if (!stream)
        ::close(fd);
    return stream;
}

void CloseHistory(std::FILE *&slot) noexcept
{
    if (!slot)
        return;
    std::fclose(slot);
    slot = nullptr;
}

} // namespace tarvo
