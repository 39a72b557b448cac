#include "core/DataFiles.h"

#include "core/Conversions.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <QLocale>

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

void CheckTextLength(qsizetype length)
{
    if (length <= LongestText)
        return;
    const QLocale french(QLocale::French);
    throw EEncodingError(QStringLiteral("Le texte donné compte %1 caractères : une description en compte "
                                        "au plus %2. Il n'a pas été pris.")
                             .arg(french.toString(qlonglong(length)), french.toString(qlonglong(LongestText)))
                             .toStdString());
}

QByteArray DataText(const QString &text)
{
    CheckTextLength(text.size());
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

// Termination asked for while a line is written and flushed waits until it is:
// the line is then whole or absent. The signals are blocked on this thread, and
// any other thread that receives one passes it on to this one, where it waits
// in turn; once the line is done it takes effect as it would have, by its own
// action. A size limit also sends SIGXFSZ, which would end the program: it is
// held back and discarded, and the write's EFBIG reported.
constexpr int deferredSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile pid_t appender = 0;

class HeldTermination {
public:
    HeldTermination()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGXFSZ);
        for (const int signal : deferredSignals)
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previousMask_);
        appender = ::gettid();
        struct sigaction passOn {};
        passOn.sa_handler = [](int signal) { ::tgkill(::getpid(), appender, signal); };
        passOn.sa_flags = SA_RESTART;
        sigfillset(&passOn.sa_mask);
        for (size_t i = 0; i < std::size(deferredSignals); ++i)
            ::sigaction(deferredSignals[i], &passOn, &previousActions_[i]);
    }
    ~HeldTermination()
    {
        // A signal passed on even after this still waits on this thread, and
        // comes with its own action.
        for (size_t i = 0; i < std::size(deferredSignals); ++i)
            ::sigaction(deferredSignals[i], &previousActions_[i], nullptr);
        sigset_t fileSize;
        sigemptyset(&fileSize);
        sigaddset(&fileSize, SIGXFSZ);
        const timespec now {};
        while (sigtimedwait(&fileSize, nullptr, &now) == SIGXFSZ) {
        }
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    }
    HeldTermination(const HeldTermination &) = delete;
    HeldTermination &operator=(const HeldTermination &) = delete;

private:
    sigset_t previousMask_;
    struct sigaction previousActions_[std::size(deferredSignals)];
};

int flushToDisk(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Where this append's bytes went, so that taking them back never cuts what
// another writer added: a file system without locks lets one in.
struct Written {
    off_t first = -1;         // where the first piece landed
    off_t end = -1;           // just past the last piece
    qsizetype bytes = 0;
    bool contiguous = true;   // no other bytes between the pieces
};

// One write for the whole line: with O_APPEND the kernel places it at the end
// in one piece, so a second writer's line goes before or after it, never inside.
int writeAll(int fd, QByteArrayView bytes, Written &written)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        const off_t after = ::lseek(fd, 0, SEEK_CUR);
        if (written.bytes > 0 && after - n != written.end)
            written.contiguous = false;
        if (written.bytes == 0)
            written.first = after - n;
        written.end = after;
        written.bytes += n;
        data += n;
        left -= n;
    }
    return 0;
}

// A file that does not end with a line end gets one first (a line edited by
// hand, or cut short), so that the new line is a line of its own. A lone CR is
// completed, and a lone LF already ends a line for every reader.
QByteArray lineEndFirst(int fd, off_t size)
{
    char last[2] = {};
    const off_t at = size >= 2 ? size - 2 : 0;
    const ssize_t n = size > 0 ? ::pread(fd, last, size_t(size - at), at) : 0;
    if (n <= 0 || last[n - 1] == '\n')
        return {};
    return last[n - 1] == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

// Why what was written stayed in the file, when it did.
struct Outcome {
    int error = 0;
    qsizetype kept = 0;   // bytes of this append left in the file
    bool whole = false;   // all of them: the line is there, perhaps not on disk
    bool otherWriter = false;
    int cutError = 0;     // why they could not be taken back
};

// The line, whole and flushed, or the file as it was: a write that fails part
// way (disk full, quota, size limit, I/O error) leaves no fragment for the next
// line to continue. Under the lock, no other copy appends in between; where
// there is no lock, only this append's own bytes are ever cut, and only while
// nothing follows them.
Outcome appendWhole(int fd, QByteArrayView line)
{
    Outcome outcome;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        outcome.error = errno;
        return outcome;
    }
    QByteArray bytes = lineEndFirst(fd, info.st_size);
    const QByteArrayView whole = bytes.isEmpty() ? line : QByteArrayView(bytes += line);

    const HeldTermination held;
    Written written;
    outcome.error = writeAll(fd, whole, written);
    // A result the user saw confirmed must survive a crash right after. A file
    // system that cannot sync (EINVAL) has been given all it gets.
    if (outcome.error == 0) {
        outcome.error = FlushFile(fd);
        if (outcome.error == EINVAL)
            outcome.error = 0;
    }
    if (outcome.error == 0 || written.bytes == 0)
        return outcome;

    outcome.kept = written.bytes;
    outcome.whole = written.bytes == whole.size();
    if (!written.contiguous || ::fstat(fd, &info) != 0 || info.st_size != written.end) {
        outcome.otherWriter = true;
        return outcome;
    }
    int cut;
    do
        cut = ::ftruncate(fd, written.first);
    while (cut != 0 && errno == EINTR);
    if (cut == 0)
        outcome.kept = 0;
    else
        outcome.cutError = errno;
    return outcome;
}

[[noreturn]] void throwWriteError(const std::string &path, const Outcome &outcome)
{
    QString message = QStringLiteral("Impossible d'écrire dans le fichier « %1 » : %2.")
                          .arg(fileName(path), SystemReason(outcome.error));
    if (outcome.kept > 0) {
        const QString why = outcome.otherWriter
            ? QStringLiteral("un autre programme a écrit dans le fichier entre-temps")
            : SystemReason(outcome.cutError);
        message += outcome.whole
            ? QStringLiteral(" La ligne y a cependant été écrite en entier et n'a pas pu en être retirée : %1.")
                  .arg(why)
            : QStringLiteral(" Son début (%1 octets) y a été écrit et n'a pas pu en être retiré : %2 ; la "
                             "prochaine ligne commencera sur une ligne à part.")
                  .arg(outcome.kept)
                  .arg(why);
    }
    throw EWriteError(message.toStdString());
}

} // namespace

int (*FlushFile)(int fd) = flushToDisk;

void AppendToFile(const std::string &path, QByteArrayView bytes)
{
    int error = 0;
    // Read as well as written: the file's last bytes tell whether its last line
    // has its end. A file that may only be written is still appended to.
    int fd = OpenDataFile(path, O_RDWR | O_APPEND | O_CREAT, error);
    if (fd < 0 && error == EACCES)
        fd = OpenDataFile(path, O_WRONLY | O_APPEND | O_CREAT, error);
    if (fd < 0)
        throwWriteError(path, Outcome {error});
    Outcome outcome;
    outcome.error = lockForAppend(fd);
    if (outcome.error == 0)
        outcome = appendWhole(fd, bytes);
    // Closing releases the lock.
    if (::close(fd) != 0 && errno != EINTR && outcome.error == 0)
        outcome.error = errno;
    if (outcome.error != 0)
        throwWriteError(path, outcome);
}

void CreateHistory(const std::string &path) noexcept
{
    // Never truncated, and anything but a plain file left alone unopened.
    int error = 0;
    const int fd = OpenDataFile(path, O_WRONLY | O_CREAT | O_EXCL, error);
    if (fd >= 0)
        ::close(fd);
}

} // namespace tarvo
