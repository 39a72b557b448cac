// Opening and appending data files, on real files: what is refused, the
// line end added, what a failed write leaves, termination during a write,
// links planted in shared folders, and two processes appending at once.
#include "../ScratchFiles.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileAppend.h"
#include "core/FileOpening.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <thread>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo;

namespace {

// The message of the EWriteError an append throws; empty when it succeeds.
QString appendError(const std::string &path, QByteArrayView bytes)
{
    try {
        AppendToFile(path, bytes);
    } catch (const EWriteError &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// A results line as the entry window writes it.
const QByteArray resultLine("       42.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]\r\n");

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    // Whatever the file ends with, each appended line is a line of its own, and
    // a well-formed file's bytes stay as they are.
    void aLineIsAlwaysALineOfItsOwn_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("ended"); // as it is once its last line is ended
        QTest::newRow("new file") << QByteArray() << QByteArray();
        QTest::newRow("whole lines") << QByteArray("one\r\n") << QByteArray("one\r\n");
        QTest::newRow("last line without its end") << QByteArray("one\r\nhand") << QByteArray("one\r\nhand\r\n");
        QTest::newRow("cut after its CR") << QByteArray("one\r") << QByteArray("one\r\n");
        QTest::newRow("a lone LF ends it") << QByteArray("one\n") << QByteArray("one\n");
        QTest::newRow("one byte") << QByteArray("x") << QByteArray("x\r\n");
    }
    void aLineIsAlwaysALineOfItsOwn()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, ended);
        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        if (!before.isEmpty())
            QVERIFY(writeFile(path, before));
        AppendToFile(path.toStdString(), "two\r\n");
        AppendToFile(path.toStdString(), "two\r\n");
        QCOMPARE(readAll(path), ended + "two\r\ntwo\r\n");
    }

    void reportsAFailedAppend_data()
    {
        QTest::addColumn<QString>("name"); // in a scratch folder
        QTest::addColumn<int>("error");
        QTest::newRow("link to /dev/null") << QStringLiteral("null") << NotARegularFile;
        QTest::newRow("a directory") << QStringLiteral(".") << EISDIR;
        QTest::newRow("missing folder") << QStringLiteral("absent/TARVODAT.TXT") << ENOENT;
        QTest::newRow("locked by another program") << QStringLiteral("locked") << FileLocked;
    }
    void reportsAFailedAppend()
    {
        QFETCH(QString, name);
        QFETCH(int, error);
        QTemporaryDir dir;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath("null")));
        const int other = ::open(QFile::encodeName(dir.filePath("locked")).constData(), O_WRONLY | O_CREAT, 0600);
        QCOMPARE(::flock(other, LOCK_EX), 0);
        const auto release = qScopeGuard([other] { ::close(other); });
        const QString path = dir.filePath(name);
        try {
            AppendToFile(path.toStdString(), "line\r\n");
            QFAIL("the append reported success");
        } catch (const EWriteError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(path), e.what());
            QVERIFY2(message.contains(tarvo::SystemReason(error)), e.what());
        }
        QCOMPARE(readAll(dir.filePath("locked")), QByteArray());
    }

    // Real faults that stop a write after 40 bytes: the file keeps its length,
    // and the next append stores the line once. A size limit also sends
    // SIGXFSZ, which the start-up step turns into the write's EFBIG. An
    // append-only file refuses to be cut back: the user is told, and the next
    // line still starts on a line of its own.
    void aPartialAppendIsTakenBack_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("appendOnly");
        QTest::newRow("full file system") << ENOSPC << false;
        QTest::newRow("file-size limit") << EFBIG << false;
        QTest::newRow("full file system, append-only file") << ENOSPC << true;
    }
    void aPartialAppendIsTakenBack()
    {
        QFETCH(int, error);
        QFETCH(bool, appendOnly);
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        if (error == ENOSPC && ::mount("tmpfs", folder, "tmpfs", 0, "size=64k") != 0)
            QSKIP("a small file system can only be mounted as root");
        const auto unmount = qScopeGuard([&] { ::umount2(folder, MNT_DETACH); });
        const std::string path = folder.toStdString() + "/TARVODAT.TXT";
        const QByteArray before = QByteArray(4096 - 42, 'x') + "\r\n", &line = resultLine;
        AppendToFile(path, before);
        if (appendOnly && !setAppendOnly(dir.filePath("TARVODAT.TXT"), true))
            QSKIP("files cannot be made append-only here");
        const auto writable = qScopeGuard([&] { setAppendOnly(dir.filePath("TARVODAT.TXT"), false); });
        QFile filler(dir.filePath("filler")); // takes every page left
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (error == ENOSPC && filler.write(QByteArray(4096, 'f')) > 0) {
        }

        const pid_t child = ::fork();
        if (child == 0) {
            IgnoreFileSizeSignal();
            const rlimit limit {4096, RLIM_INFINITY};
            if (error == EFBIG)
                ::setrlimit(RLIMIT_FSIZE, &limit);
            const QString message = appendError(path, line);
            const bool told = message.contains(SystemReason(error))
                && message.contains(SystemReason(EPERM)) == appendOnly;
            ::_exit(told ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "not reported, or ended by a signal");
        const QByteArray fragment = appendOnly ? line.left(40) : QByteArray();
        QCOMPARE(readAll(dir.filePath("TARVODAT.TXT")), before + fragment);
        filler.remove();
        AppendToFile(path, line);
        QCOMPARE(readAll(dir.filePath("TARVODAT.TXT")), before + fragment + (appendOnly ? "\r\n" : "") + line);
    }

    // Where the file system has no locks, another copy may append between this
    // write and its failed flush: its line is never cut, and the user is told
    // that what was written stayed.
    void aFailedFlushTakesBackOnlyItsOwnBytes_data()
    {
        QTest::addColumn<bool>("otherWriter");
        QTest::newRow("alone") << false;
        QTest::newRow("another writer in between") << true;
    }
    void aFailedFlushTakesBackOnlyItsOwnBytes()
    {
        QFETCH(bool, otherWriter);
        QTemporaryDir dir;
        static QByteArray other;
        other = otherWriter ? QByteArray("B's confirmed line\r\n") : QByteArray();
        static std::string path;
        path = dir.filePath("TARVODAT.TXT").toStdString();
        const QByteArray before("A\r\n"), &line = resultLine;
        AppendToFile(path, before);
        const auto restore = qScopeGuard([flush = FlushFile] { FlushFile = flush; });
        FlushFile = [](int) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
            (void)!::write(fd, other.constData(), size_t(other.size()));
            ::close(fd);
            return EIO;
        };
        const QString message = appendError(path, line);
        QVERIFY2(message.contains(SystemReason(EIO)), qPrintable(message));
        QCOMPARE(message.contains(QStringLiteral("un autre programme")), otherWriter);
        QCOMPARE(readAll(QString::fromStdString(path)), otherWriter ? before + line + other : before);
    }

    // Termination asked for between the write and the flush (from a log-out, a
    // shutdown, Ctrl+C) ends the program only once the line is flushed. A
    // second thread, as Qt has, must not take the signal and end it earlier.
    void terminationWaitsForTheLine_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void terminationWaitsForTheLine()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const std::string path = dir.filePath("TARVODAT.TXT").toStdString();
        const QByteArray &line = resultLine;
        auto *flushed = static_cast<int *>(::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE,
                                                   MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        QVERIFY(flushed != MAP_FAILED);
        *flushed = 0;
        static int *mark;
        static int sent;
        mark = flushed;
        sent = signal;

        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(signal, SIG_DFL); // the test library catches it
            std::thread([] { ::pause(); }).detach();
            FlushFile = [](int fd) {
                ::kill(::getpid(), sent);
                const int error = ::fsync(fd) == 0 ? 0 : errno;
                *mark = 1;
                return error;
            };
            AppendToFile(path, line);
            ::_exit(0);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == signal, "the signal was lost");
        QVERIFY2(*flushed, "ended before the line was flushed");
        QCOMPARE(readAll(QString::fromStdString(path)), line);
        ::munmap(flushed, sizeof(int));
    }

    // A link in a sticky folder that anyone may write to (/tmp) is followed only
    // when it is the user's own or the folder owner's, as the kernel's
    // protected_symlinks would: another user's link is refused, to append, to
    // create and to read.
    void aLinkPlantedInASharedFolderIsNotFollowed_data()
    {
        QTest::addColumn<bool>("linkMine");
        QTest::addColumn<bool>("folderMine");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<bool>("followed");
        QTest::newRow("own link") << true << true << 01777 << true;
        QTest::newRow("another user's link") << false << true << 01777 << false;
        QTest::newRow("the folder owner's link") << false << false << 01777 << true;
        QTest::newRow("not sticky") << false << true << 0777 << true;
        QTest::newRow("sticky, not writable by all") << false << true << 01775 << true;
    }
    void aLinkPlantedInASharedFolderIsNotFollowed()
    {
        QFETCH(bool, linkMine);
        QFETCH(bool, folderMine);
        QFETCH(int, folderMode);
        QFETCH(bool, followed);
        QTemporaryDir dir;
        const uid_t other = 4242; // any uid but the user's
        const QString shared = dir.filePath("shared"), target = dir.filePath("target"), link = shared + "/TARVODAT.TXT";
        QVERIFY(QDir().mkdir(shared));
        QVERIFY(QFile::link(target, link));
        if (::lchown(QFile::encodeName(link).constData(), linkMine ? ::geteuid() : other, -1) != 0
            || ::chown(QFile::encodeName(shared).constData(), folderMine ? ::geteuid() : other, -1) != 0)
            QSKIP("another user's link can only be made as root");
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), mode_t(folderMode)), 0);

        int error = 0;
        const int fd = OpenDataFile(link.toStdString(), O_RDONLY, error);
        QCOMPARE(fd, -1);
        QCOMPARE(error, followed ? ENOENT : PlantedLink);
        const QString created = appendError(link.toStdString(), "line\r\n");
        QVERIFY2(created.isEmpty() == followed, qPrintable(created));
        QVERIFY(created.isEmpty() || created.contains(SystemReason(PlantedLink)));
        QCOMPARE(readAll(target), followed ? QByteArray("line\r\n") : QByteArray("<missing>"));
        AppendToFile(target.toStdString(), "");
        QCOMPARE(appendError(link.toStdString(), "more\r\n").isEmpty(), followed);
    }

    // Only regular files are opened; nothing else may make the program wait.
    void opensOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("name"); // in a scratch folder
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("error");
        const int append = O_WRONLY | O_APPEND | O_CREAT;
        QTest::newRow("new file") << QStringLiteral("new") << append << 0;
        QTest::newRow("missing, not created") << QStringLiteral("new") << int(O_RDONLY) << ENOENT;
        QTest::newRow("folder") << QStringLiteral(".") << int(O_RDONLY) << EISDIR;
        QTest::newRow("fifo for reading") << QStringLiteral("fifo") << int(O_RDONLY) << NotARegularFile;
        QTest::newRow("fifo for appending") << QStringLiteral("fifo") << append << NotARegularFile;
        QTest::newRow("link to a device") << QStringLiteral("zero") << int(O_RDONLY) << NotARegularFile;
    }
    void opensOnlyRegularFiles()
    {
        QFETCH(QString, name);
        QFETCH(int, flags);
        QFETCH(int, error);
        QTemporaryDir dir;
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero")));
        int got = -2;
        const int fd = OpenDataFile(dir.filePath(name).toStdString(), flags, got);
        if (fd >= 0)
            ::close(fd);
        QCOMPARE(got, error);
        QCOMPARE(fd >= 0, error == 0);
        QVERIFY(!SystemReason(got).isEmpty());
    }

    void twoProcessesNeverMixTheirLines()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("TARVODAT.TXT").toStdString();
        constexpr int perProcess = 300;
        auto lineOf = [](int writer, int i) {
            // Long enough that a torn or interleaved write would show.
            return QByteArray::number(writer) + ' ' + QByteArray::number(i) + ' '
                + QByteArray(120, char('a' + writer)) + "\r\n";
        };

        pid_t children[2];
        for (int writer = 0; writer < 2; ++writer) {
            children[writer] = ::fork();
            QVERIFY(children[writer] >= 0);
            if (children[writer] == 0) {
                int status = 0;
                try {
                    for (int i = 0; i < perProcess; ++i)
                        AppendToFile(path, lineOf(writer, i));
                } catch (...) {
                    status = 1;
                }
                ::_exit(status);
            }
        }
        for (pid_t child : children) {
            int status = -1;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }

        const QList<QByteArray> lines = readAll(QString::fromStdString(path)).split('\n');
        QCOMPARE(lines.size(), 2 * perProcess + 1);
        QVERIFY(lines.last().isEmpty());
        int next[2] = {0, 0};
        for (qsizetype k = 0; k + 1 < lines.size(); ++k) {
            const int writer = lines[k].startsWith('1') ? 1 : 0;
            QCOMPARE(lines[k] + '\n', lineOf(writer, next[writer]));
            ++next[writer];
        }
        QCOMPARE(next[0], perProcess);
        QCOMPARE(next[1], perProcess);
    }
};

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
