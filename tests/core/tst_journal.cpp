// An append's journal: a writer killed at any byte of the journal or of the
// data leaves a file that the next writer brings back to before the append or
// to all of it, and that readers (a list, a whole read) show that way meanwhile.
#include "../ScratchFiles.h"
#include "core/AppendJournal.h"
#include "core/FileAppend.h"
#include "core/FileReading.h"
#include "core/LineList.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo;

namespace {

const QByteArray before("       10.00       10.00       10.00            Avant 1 1 \xe0 1     [CM Avant]\r\n");
const QByteArray next("       42.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]\r\n");

// Bytes written so far by the child, and the count after which it is killed.
qint64 written = 0;
qint64 killAfter = 0;

ssize_t writeThenDie(int fd, const void *data, size_t size)
{
    const qint64 allowed = killAfter - written;
    const size_t now = allowed < qint64(size) ? size_t(std::max<qint64>(allowed, 0)) : size;
    const ssize_t n = now > 0 ? ::write(fd, data, now) : 0;
    written += n > 0 ? n : 0;
    if (now < size)
        ::raise(SIGKILL);
    return n;
}

// Killed after the data is flushed, before the journal is removed.
int flushThenDie(int fd)
{
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    if (written >= killAfter)
        ::raise(SIGKILL);
    return error;
}

QStringList notices;

// Appends `bytes` in a child killed after `k` bytes written (journal and data).
void killedAppend(const std::string &path, const QByteArray &bytes, qint64 k)
{
    const pid_t child = ::fork();
    if (child == 0) {
        written = 0;
        killAfter = k;
        WriteFile = writeThenDie;
        FlushFile = flushThenDie;
        AppendToFile(path, bytes);
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

private slots:
    void init() { notices.clear(); }

    // k runs over every 5th byte of the journal's record, then over the data
    // in steps, its last byte, and its end (killed after the data's flush).
    void aKilledAppendIsSettledByTheNextWriter_data()
    {
        QTest::addColumn<QByteArray>("append");
        QByteArray merge;
        for (int i = 0; i < 20000; ++i)
            merge += QByteArray::number(1000 + i % 9000) + ".25       12.50       30.00            Proc "
                + QByteArray::number(i) + " 300 \xe0 333     [CM Carte B]\r\n";
        QTest::newRow("merge of 20,000 lines") << merge;
        QTest::newRow("long OK line") << "       42.00       38.50       52.50            " + QByteArray(10000, 'P')
                + " 300 \xe0 333     [CM " + QByteArray(10000, 'M') + "]\r\n";
    }
    void aKilledAppendIsSettledByTheNextWriter()
    {
        QFETCH(QByteArray, append);
        AppendNotice = [](const QString &text) { notices << text; };
        // The journal's length: what one whole append writes, less the data,
        // where the file holds `before` (the record holds its length).
        qint64 journal = 0;
        {
            QTemporaryDir dir;
            written = 0;
            WriteFile = [](int fd, const void *data, size_t size) {
                const ssize_t n = ::write(fd, data, size);
                written += n;
                return n;
            };
            const std::string path = dir.filePath("TARVODAT.TXT").toStdString();
            AppendToFile(path, before);
            written = 0;
            AppendToFile(path, append);
            WriteFile = ::write;
            journal = written - append.size();
        }
        QList<qint64> points;
        for (qint64 k = 0; k < journal; k += 5)
            points << k;
        for (int step = 0; step < 40; ++step)
            points << journal + append.size() * step / 40;
        points << journal + append.size() - 1 << journal + append.size();

        int whole = 0, rolledBack = 0, kept = 0;
        for (const qint64 k : points) {
            QTemporaryDir dir;
            const std::string path = dir.filePath("TARVODAT.TXT").toStdString();
            AppendToFile(path, before);
            killedAppend(path, append, k);
            // Readers show meanwhile what the next writer will leave.
            const QByteArray shown = ReadWholeFile(path);
            LineList list;
            list.loadSorted(path);
            AppendToFile(path, next);
            const QByteArray after = readAll(QString::fromStdString(path));
            QVERIFY(shown + next == after);
            QCOMPARE(list.size(), LineList::fromBytes(shown).size());
            rolledBack += after == before + next;
            kept += after == before + append + next;
            whole += after == before + next || after == before + append + next;
            QVERIFY2(!QFile::exists(QString::fromStdString(JournalPath(path))), "the journal stayed");
        }
        qInfo("%s: %d kill points, %d left the file whole (%d as before the append, %d with all of it)",
              QTest::currentDataTag(), int(points.size()), whole, rolledBack, kept);
        QCOMPARE(whole, points.size());
        QVERIFY(rolledBack > 0 && kept > 0);
        QVERIFY(notices.filter(QStringLiteral("a été retiré")).size() > 0);
        AppendNotice = [](const QString &) {};
    }

    // A journal that does not tell of the file as it is: the file is left as it
    // is, and the message says so.
    void aJournalThatDoesNotFitTouchesNothing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said");
        QTest::newRow("another file") << "replaced" << "ne correspond pas";
        QTest::newRow("shorter than before") << "cut" << "ne correspond pas";
        QTest::newRow("whole length, other bytes") << "overwritten" << "ne correspond pas";
        QTest::newRow("append-only file") << "append-only" << "n'a pas pu être retiré";
    }
    void aJournalThatDoesNotFitTouchesNothing()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        AppendNotice = [](const QString &text) { notices << text; };
        const auto quiet = qScopeGuard([] { AppendNotice = [](const QString &) {}; });
        QTemporaryDir dir;
        const std::string path = dir.filePath("TARVODAT.TXT").toStdString();
        const QString file = QString::fromStdString(path);
        const QByteArray append = QByteArray(4000, 'x') + "\r\n";
        AppendToFile(path, before);
        killedAppend(path, append, 2000);
        QVERIFY(QFile::exists(QString::fromStdString(JournalPath(path))));
        if (change == "replaced") {
            QVERIFY(QFile::copy(file, file + ".copy"));
            QCOMPARE(::rename((path + ".copy").c_str(), path.c_str()), 0);
        } else if (change == "cut") {
            QCOMPARE(::truncate(path.c_str(), before.size() - 10), 0);
        } else if (change == "overwritten") {
            QVERIFY(writeFile(file, before + QByteArray(append.size(), 'y')));
        } else if (!setAppendOnly(file, true)) {
            QSKIP("append-only files need CAP_LINUX_IMMUTABLE and a file system that has them");
        }
        const auto restore = qScopeGuard([&] { setAppendOnly(file, false); });
        const QByteArray left = readAll(file);
        AppendToFile(path, next);
        // Kept as it is, and a line end before the new line.
        QCOMPARE(readAll(file), left + (left.endsWith('\n') ? "" : "\r\n") + next);
        QVERIFY2(notices.filter(said).size() == 1, qPrintable(notices.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
