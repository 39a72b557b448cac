#include "core/FileAppend.h"

#include "core/AppendJournal.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileOpening.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace tarvo {

namespace {

// Another copy of the program holds a file's lock for one line and its flush:
// wait for that, but not for a program that keeps the file locked. The wait
// blocks in the kernel, which wakes it the moment the lock is released: a copy
// appending line after line frees the lock only for moments, which polling
// would miss. A timer on this thread interrupts the wait every 50 ms to watch
// the deadline.
int lockForAppend(int fd, const std::string &path, bool &locked)
{
    locked = true;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 0;
    // A file system without locks still takes the line, unguarded.
    if (errno != EWOULDBLOCK && errno != EINTR) {
        locked = false;
        return 0;
    }

    const int tick = SIGRTMIN + 1;
    static const bool installed = [tick] {
        struct sigaction interrupt {};
        interrupt.sa_handler = [](int) {};   // no SA_RESTART: the wait returns EINTR
        return ::sigaction(tick, &interrupt, nullptr) == 0;
    }();
    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = tick;
    event._sigev_un._tid = ::gettid();
    timer_t timer {};
    if (!installed || ::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : FileLocked;
    const itimerspec every {{0, 50'000'000}, {0, 50'000'000}};
    ::timer_settime(timer, 0, &every, nullptr);

    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    int result = FileLocked;
    bool said = false;
    for (;;) {
        const int got = ::flock(fd, LOCK_EX);
        if (got == 0 || errno != EINTR) {
            locked = got == 0;
            result = 0;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline && !said) {
            if (!WaitingForLock)
                break;
            WaitingForLock(path);
            said = true;
        }
    }
    ::timer_delete(timer);
    // A tick still pending would interrupt some later call of this thread.
    sigset_t only, before;
    sigemptyset(&only);
    sigaddset(&only, tick);
    pthread_sigmask(SIG_BLOCK, &only, &before);
    const timespec none {};
    while (::sigtimedwait(&only, nullptr, &none) == tick) {
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return result;
}

// Termination asked for while a line is written and flushed waits until it is:
// the line is then whole or absent. While it is written, the signals are only
// noted, and the appending thread raises the one noted once the line is done,
// where it takes effect by its own action. A signal sent to the process goes to
// the thread that appends when it is the main one, as in the program (the
// kernel prefers the main thread); another thread that takes one notes it too
// and passes it on, so a handler that runs late still ends the program.
constexpr int deferredSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile pid_t appender = 0;
volatile sig_atomic_t noted = 0;

class HeldTermination {
public:
    HeldTermination()
    {
        noted = 0;
        appender = ::gettid();
        struct sigaction note {};
        note.sa_handler = [](int signal) {
            noted = signal;
            if (::gettid() != appender)
                ::tgkill(::getpid(), appender, signal);
        };
        note.sa_flags = SA_RESTART;
        sigfillset(&note.sa_mask);
        for (size_t i = 0; i < std::size(deferredSignals); ++i)
            ::sigaction(deferredSignals[i], &note, &previousActions_[i]);
    }
    ~HeldTermination()
    {
        // Held while the actions are put back, the signal noted is raised
        // here, and comes with its own action when let through.
        sigset_t held, previousMask;
        sigemptyset(&held);
        for (const int signal : deferredSignals)
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previousMask);
        for (size_t i = 0; i < std::size(deferredSignals); ++i)
            ::sigaction(deferredSignals[i], &previousActions_[i], nullptr);
        if (noted != 0)
            ::tgkill(::getpid(), ::gettid(), noted);
        pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    }
    HeldTermination(const HeldTermination &) = delete;
    HeldTermination &operator=(const HeldTermination &) = delete;

private:
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
        const ssize_t n = WriteFile(fd, data, size_t(left));
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
Outcome appendWhole(const std::string &path, int fd, QByteArrayView line)
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
    AppendJournal journal(path, info, whole);
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
    throw EWriteError(CannotWrite(path, outcome.error, outcome.kept, outcome.whole, outcome.otherWriter,
                                  outcome.cutError));
}

// Opens, locks, lets `decide` give the bytes (or takes `bytes`), appends them.
void append(const std::string &path, const std::function<QByteArray(int fd)> *decide, QByteArrayView bytes)
{
    int error = 0;
    // Read as well as written: the file's last bytes tell whether its last line
    // has its end. A file that may only be written is still appended to, unless
    // what to append depends on what it holds.
    int fd = OpenDataFile(path, O_RDWR | O_APPEND | O_CREAT, error);
    if (fd < 0 && error == EACCES && !decide)
        fd = OpenDataFile(path, O_WRONLY | O_APPEND | O_CREAT, error);
    if (fd < 0)
        throwWriteError(path, Outcome {error});
    Outcome outcome;
    bool locked = false;
    outcome.error = lockForAppend(fd, path, locked);
    if (outcome.error == 0) {
        SettleJournal(path, fd, locked);
        QByteArray decided;
        try {
            if (decide)
                bytes = decided = (*decide)(fd);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (!bytes.isEmpty())
            outcome = appendWhole(path, fd, bytes);
    }
    // Closing releases the lock.
    if (::close(fd) != 0 && errno != EINTR && outcome.error == 0)
        outcome.error = errno;
    if (outcome.error != 0)
        throwWriteError(path, outcome);
}

} // namespace

void (*WaitingForLock)(const std::string &path) = nullptr;

int (*FlushFile)(int fd) = flushToDisk;
ssize_t (*WriteFile)(int fd, const void *data, size_t size) = ::write;

void IgnoreFileSizeSignal()
{
    ::signal(SIGXFSZ, SIG_IGN);
}

void AppendToFile(const std::string &path, QByteArrayView bytes)
{
    append(path, nullptr, bytes);
}

void AppendToFile(const std::string &path, const std::function<QByteArray(int fd)> &decide)
{
    append(path, &decide, {});
}

} // namespace tarvo
