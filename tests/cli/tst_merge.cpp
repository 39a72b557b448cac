// Merging results files: which lines are taken, counted and refused, and the
// one append that leaves the results file whole when the write fails.
#include "../AddressLimit.h"
#include "../ScratchFiles.h"
#include "cli/Merge.h"

#include "core/Ansi.h"
#include "core/StoredResult.h"
#include "core/Errors.h"
#include "core/FileAppend.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tarvo::cli;

namespace {

QByteArray line(float indice, const char *processor)
{
    tarvo::ResultRecord r;
    r.Indice = indice;
    r.ResultatFlottant = 2.0f;
    r.ResultatEntier = 1.0f;
    r.Processeur = QString::fromUtf8(processor);
    r.FreqOrigine = 300;
    r.FreqOverclock = 333;
    r.CarteMere = QStringLiteral("Carte");
    return tarvo::ResultLine(r);
}

// How many of this process's descriptors are open on the file.
int descriptorsOn(const QString &path)
{
    const std::filesystem::path target = std::filesystem::canonical(path.toStdString());
    int count = 0;
    std::error_code gone; // the listing's own descriptor is closed before it is read
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd"))
        count += std::filesystem::read_symlink(fd.path(), gone) == target;
    return count;
}

} // namespace

class TestMerge : public QObject {
    Q_OBJECT

private slots:
    void takesNewWellFormedLinesOnce()
    {
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        const QByteArray stored = line(10.0f, "stored") + "hand-written\r\n";
        QVERIFY(writeFile(results, stored));
        const QByteArray a = line(10.0f, "stored")           // 1 present
            + line(20.0f, "new é")                           // 2 added
            + "junk\r\n"                                     // 3 refused
            + line(20.0f, "new é")                           // 4 present: added just before
            + line(30.0f, "lf only").chopped(2) + "\n"       // 5 refused
            + line(35.0f, "c r").replace(' ', '\r')          // 6 refused: a CR inside
            + line(40.0f, "no end").chopped(2);              // 7 refused
        const QByteArray b = "\r\n" + line(50.0f, "b");      // 1 refused, 2 added
        QVERIFY(writeFile(dir.filePath("a"), a));
        QVERIFY(writeFile(dir.filePath("b"), b));

        const MergeOutcome outcome =
            MergeInto(results.toStdString(), {dir.filePath("a").toStdString(), dir.filePath("b").toStdString()});
        QCOMPARE(outcome.added, std::int64_t(2));
        QCOMPARE(outcome.present, std::int64_t(2));
        QCOMPARE(outcome.refused, std::int64_t(5));
        QCOMPARE(outcome.refusals.size(), std::size_t(2));
        QCOMPARE(LineNumbers(outcome.refusals[0].lines), QStringLiteral("3, 5, 6, 7"));
        QCOMPARE(LineNumbers(outcome.refusals[1].lines), QStringLiteral("1"));
        QCOMPARE(readAll(results), stored + line(20.0f, "new é") + line(50.0f, "b"));
        QCOMPARE(readAll(dir.filePath("a")), a);

        // Merged again, everything is there already.
        QCOMPARE(MergeInto(results.toStdString(), {dir.filePath("a").toStdString()}).added, std::int64_t(0));
        QCOMPARE(readAll(results), stored + line(20.0f, "new é") + line(50.0f, "b"));
    }

    // Each kind of line the entry window and --save could never write is
    // refused with its reason, the good line beside it taken; a file that is
    // not Windows-1252 in CR LF is refused whole.
    void refusesWithAReason_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason"); // a part of it
        QTest::addColumn<bool>("wholeFile");
        const QByteArray good = line(10.0f, "good");
        const auto hand = [](const QByteArray &processor, const char *frequencies, const QByteArray &board,
                             const char *index = "       42.00") {
            return index + QByteArray("       38.50       52.50            ") + processor + ' ' + frequencies
                + "     [CM " + board + "]\r\n";
        };
        const auto row = [&](const char *name, const QByteArray &bad, const char *reason) {
            QTest::newRow(name) << good + bad << QString::fromUtf8(reason) << false;
        };
        row("a 20,000-character processor", hand(QByteArray(20000, 'x'), "300 \xe0 333", "B"), "en compte au plus");
        row("frequency -1", hand("P", "-1 \xe0 333", "B"), "fréquence d'origine doit valoir au moins 1");
        row("frequency 0", hand("P", "300 \xe0 0", "B"), "fréquence d'overclock doit valoir au moins 1");
        row("empty processor", hand("", "300 \xe0 333", "B"), "le processeur ne doit être ni vide");
        row("empty motherboard", hand("P", "300 \xe0 333", ""), "la carte mère ne doit être ni vide");
        row("NoCPU", hand("NoCPU", "300 \xe0 333", "B"), "« NoCPU »");
        row("NoCarteMere", hand("P", "300 \xe0 333", "NoCarteMere"), "« NoCarteMere »");
        row("negative result", hand("P", "300 \xe0 333", "B", "       -1.00"), "négatif");
        row("control character", hand("P\x1b[2J", "300 \xe0 333", "B"), "caractère de commande (U+001B)");
        row("not a results line", "junk\r\n", "pas une ligne de résultats");
        row("LF alone", line(20.0f, "lf").chopped(2) + "\n", "LF seul");
        row("a CR inside", line(20.0f, "c r").replace(' ', '\r'), "retour chariot");
        row("no line end", line(20.0f, "cut").chopped(2), "pas de fin de ligne");
        QTest::newRow("UTF-8 file") << tarvo::fromAnsi(good + line(20.0f, "é")).toUtf8() << "UTF-8" << true;
        QTest::newRow("LF-only file") << QByteArray(good).replace("\r\n", "\n") << "LF seul" << true;
    }
    void refusesWithAReason()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFETCH(bool, wholeFile);
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(dir.filePath("in"), bytes));
        const MergeOutcome outcome = MergeInto(results.toStdString(), {dir.filePath("in").toStdString()});
        QCOMPARE(outcome.refusals.size(), std::size_t(1));
        const Refused &refused = outcome.refusals.front();
        if (wholeFile) {
            QVERIFY2(refused.wholeFile && refused.wholeFile->contains(reason), qPrintable(refused.wholeFile.value_or("")));
            QCOMPARE(outcome.added, std::int64_t(0));
            QCOMPARE(readAll(results), QByteArray("<missing>"));
            return;
        }
        QVERIFY(!refused.wholeFile);
        QCOMPARE(LineNumbers(refused.lines), QStringLiteral("2"));
        const QString &why = outcome.reasons.at(std::size_t(refused.lines.front().reason));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(outcome.added, std::int64_t(1));
        QCOMPARE(readAll(results), line(10.0f, "good"));
    }

    // A write that fails part way (a file-size limit here) takes nothing:
    // the results file keeps its bytes, and the failure is reported.
    void aFailedWriteAddsNothing()
    {
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        const QByteArray stored = line(10.0f, "stored");
        QVERIFY(writeFile(results, stored));
        QByteArray other;
        for (int i = 0; i < 20; ++i)
            other += line(float(100 + i), "other");
        QVERIFY(writeFile(dir.filePath("other"), other));

        const pid_t child = ::fork();
        if (child == 0) {
            tarvo::IgnoreFileSizeSignal();
            const rlimit limit{rlim_t(stored.size() + 3 * other.size() / 4), RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                MergeInto(results.toStdString(), {dir.filePath("other").toStdString()});
            } catch (const tarvo::EWriteError &) {
                ::_exit(0);
            }
            ::_exit(1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "not reported, or ended by a signal");
        QCOMPARE(readAll(results), stored);

        // Without the limit, all twenty lines go in.
        QCOMPARE(MergeInto(results.toStdString(), {dir.filePath("other").toStdString()}).added, std::int64_t(20));
        QCOMPARE(readAll(results), stored + other);
    }

    // Another copy appends a line the merge also brings while the merge waits
    // for the lock: the merge sees it under the lock and does not add it again.
    void aLineAppendedWhileWaitingIsNotAddedTwice()
    {
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        const QByteArray stored = line(10.0f, "stored"), meanwhile = line(20.0f, "meanwhile");
        QVERIFY(writeFile(results, stored));
        QVERIFY(writeFile(dir.filePath("other"), meanwhile + line(30.0f, "new")));
        const int other = ::open(QFile::encodeName(results).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        QCOMPARE(::flock(other, LOCK_EX), 0);

        MergeOutcome outcome;
        QString failure;
        std::thread merge([&] {
            try {
                outcome = MergeInto(results.toStdString(), {dir.filePath("other").toStdString()});
            } catch (const tarvo::Exception &e) {
                failure = QString::fromUtf8(e.what());
            }
        });
        // The merge has the results file open once it waits for the lock.
        for (int i = 0; i < 200 && descriptorsOn(results) < 2; ++i)
            QThread::msleep(10);
        const bool waiting = descriptorsOn(results) == 2;
        const bool written = ::write(other, meanwhile.constData(), size_t(meanwhile.size())) == meanwhile.size();
        ::close(other);
        merge.join();
        QVERIFY(waiting && written);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(outcome.added, std::int64_t(1));
        QCOMPARE(outcome.present, std::int64_t(1));
        QCOMPARE(readAll(results), stored + meanwhile + line(30.0f, "new"));
    }

    // The merge takes about 1.2 times the files it reads, whatever they hold
    // (10 MB of empty lines took 680 MB), and refuses before reading what
    // would not fit: in a child under an address-space limit of `room` times
    // the files above what it maps now.
    void keepsToItsMemory_data()
    {
        QTest::addColumn<QByteArray>("merged");
        QTest::addColumn<double>("room");
        QTest::addColumn<bool>("taken");
        QByteArray lines;
        for (int i = 0; i < 100000; ++i)
            lines += line(float(i), "p");
        QTest::newRow("empty lines") << QByteArray(10 << 20, '\n').replace(0, 2, "\r\n") + lines << 1.3 << true;
        QTest::newRow("well-formed lines, each twice") << lines + lines << 1.3 << true;
        QTest::newRow("room for half") << lines + lines + lines << 0.5 << false;
    }
    void keepsToItsMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any limit would leave");
#endif
        QFETCH(QByteArray, merged);
        QFETCH(double, room);
        QFETCH(bool, taken);
        if (!addressLimitHolds())
            QSKIP("No address-space limit holds here (an emulator)");
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(results, line(1.0f, "stored")));
        QVERIFY(writeFile(dir.filePath("other"), merged));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // A few MB for the results file's block and the allocator.
            const rlim_t most = mappedNow() + rlim_t(room * double(merged.size())) + (8 << 20);
            const struct rlimit limit {most, most};
            int status = ::setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : 10;
            try {
                status = status ?: MergeInto(results.toStdString(), {dir.filePath("other").toStdString()}).added > 0 ? 0 : 11;
            } catch (const tarvo::EFOpenError &error) {
                status = status ?: QString::fromUtf8(error.what()).contains(QString::fromUtf8("trop grands")) ? 12 : 13;
            } catch (...) {
                status = 14;
            }
            ::_exit(status);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), taken ? 0 : 12);
        QCOMPARE(readAll(results).size() > line(1.0f, "stored").size(), taken);
    }

    // Another writer appends while the merge has read the results file but
    // not yet asked for its lock: it is not kept waiting (the merge has not
    // taken the lock to read), and what it appended, even replacing the file,
    // is seen under the lock and not added twice.
    void aSecondWriterDuringTheMerge_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("appended") << false;
        QTest::newRow("replaced") << true;
    }
    void aSecondWriterDuringTheMerge()
    {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        QByteArray stored;
        for (int i = 0; i < 20000; ++i)
            stored += line(float(i), "stored");
        const QByteArray meanwhile = line(20001.0f, "meanwhile"), added = line(20002.0f, "added");
        QVERIFY(writeFile(results, stored));
        QVERIFY(writeFile(dir.filePath("other"), stored + meanwhile + added));
        static QString failure, path;
        static QByteArray second;
        failure.clear();
        path = results;
        second = replaced ? meanwhile : meanwhile + line(20003.0f, "other");
        StoredLinesMarked = replaced ? +[] {
            writeFile(path + ".new", second);
            if (::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()) != 0)
                failure = "not replaced";
        } : +[] {
            try {
                tarvo::AppendToFile(path.toStdString(), second);
            } catch (const tarvo::Exception &e) {
                failure = QString::fromUtf8(e.what());
            }
        };
        const MergeOutcome outcome = MergeInto(results.toStdString(), {dir.filePath("other").toStdString()});
        StoredLinesMarked = nullptr;
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(outcome.added, replaced ? std::int64_t(20001) : std::int64_t(1));
        QCOMPARE(readAll(results), replaced ? meanwhile + stored + added : stored + second + added);
    }

    // A lock kept longer than 3 seconds: the merge says what it waits for,
    // then goes on waiting (here the holder lets go when told).
    void aWriterThatMustWaitSaysSo()
    {
        QTemporaryDir dir;
        const QString results = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(results, line(10.0f, "stored")));
        QVERIFY(writeFile(dir.filePath("other"), line(20.0f, "new")));
        static int holder = -1;
        static std::string waitedFor;
        holder = ::open(QFile::encodeName(results).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(::flock(holder, LOCK_EX), 0);
        waitedFor.clear();
        tarvo::WaitingForLock = [](const std::string &path) {
            waitedFor = path;
            ::close(holder);
        };
        const MergeOutcome outcome = MergeInto(results.toStdString(), {dir.filePath("other").toStdString()});
        tarvo::WaitingForLock = nullptr;
        QCOMPARE(waitedFor, results.toStdString());
        QCOMPARE(outcome.added, std::int64_t(1));
    }
};

QTEST_APPLESS_MAIN(TestMerge)
#include "tst_merge.moc"
