#include "core/DataFiles.h"
#include "core/SystemFiles.h"
#include "core/Errors.h"

#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo;

Q_DECLARE_METATYPE(tarvo::ResultRecord)

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

ResultRecord example()
{
    ResultRecord r;
    r.Indice = 42.0f;
    r.ResultatFlottant = 38.5f;
    r.ResultatEntier = 52.5f;
    r.Processeur = QStringLiteral("Proc 300");
    r.FreqOrigine = 300;
    r.FreqOverclock = 333;
    r.CarteMere = QStringLiteral("Carte A");
    return r;
}

} // namespace

class TestDataFiles : public QObject {
    Q_OBJECT

private slots:
    void formatsLikePrintfInTheCLocale_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("two decimals") << 42.0 << QByteArray("       42.00");
        QTest::newRow("not yet measured") << -1.0 << QByteArray("       -1.00");
        QTest::newRow("zero") << 0.0 << QByteArray("        0.00");
        QTest::newRow("tie to even, down") << double(0.125f) << QByteArray("        0.12");
        QTest::newRow("tie to even, up") << double(0.375f) << QByteArray("        0.38");
        QTest::newRow("below the tie in binary") << double(2.675f) << QByteArray("        2.67");
        QTest::newRow("carry into the integer") << 99.999 << QByteArray("      100.00");
        QTest::newRow("fills the width") << 999999999.0 << QByteArray("999999999.00");
        QTest::newRow("one thousand million is wider")
            << 1e9 << QByteArray("1000000000.00");
        QTest::newRow("largest float, whole")
            << double(3.4028235e38f) << QByteArray("340282346638528859811704183484516925440.00");
    }
    void formatsLikePrintfInTheCLocale()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(FormatFixed2(value)), text);
    }

    void agreesWithPrintfOnRandomFloats()
    {
        // Bit patterns cover every exponent, so rounding is checked well beyond
        // the few hand-picked ties above.
        QRandomGenerator random(20240611);
        char expected[512];
        for (int i = 0; i < 200000; ++i) {
            const quint32 bits = random.generate();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (std::isnan(f))
                continue;
            std::snprintf(expected, sizeof expected, "%12.2f", double(f));
            const std::string got = FormatFixed2(double(f));
            if (got != expected)
                QFAIL(qPrintable(QStringLiteral("%1: %2 instead of %3")
                                     .arg(bits, 8, 16, QLatin1Char('0'))
                                     .arg(QString::fromStdString(got), QString::fromLatin1(expected))));
        }
    }

    void keepsThePointUnderACommaLocale()
    {
        const std::string previous = std::setlocale(LC_ALL, nullptr);
        QVERIFY2(std::setlocale(LC_ALL, "fr_FR.UTF-8"), "fr_FR.UTF-8 is missing: run tools/deps.sh");
        char printed[32];
        std::snprintf(printed, sizeof printed, "%.2f", 42.0);
        const QByteArray line = ResultLine(example());
        std::setlocale(LC_ALL, previous.c_str());
        QCOMPARE(QByteArray(printed), QByteArray("42,00")); // the trap is really set
        QVERIFY(line.startsWith("       42.00       38.50       52.50"));
    }

    void writesTheExampleLineByteForByte()
    {
        const QByteArray line = ResultLine(example());
        QCOMPARE(line, QByteArray("       42.00       38.50       52.50            Proc 300 300 \xe0 333"
                                  "     [CM Carte A]\r\n"));
        QCOMPARE(line.size(), 83 + 2);
    }

    void writesTextsVerbatim_data()
    {
        QTest::addColumn<ResultRecord>("record");
        QTest::addColumn<QByteArray>("tail");

        ResultRecord r = example();
        r.Processeur = QStringLiteral("100% [x] ");
        r.CarteMere = QStringLiteral("  ]%s[ ");
        QTest::newRow("percent, brackets, spaces")
            << r << QByteArray("            100% [x]  300 \xe0 333     [CM   ]%s[ ]\r\n");

        r = example();
        r.Processeur = QString::fromUtf8("Célèron €");
        r.CarteMere = QString();
        QTest::newRow("Windows-1252 and empty")
            << r << QByteArray("            C\xe9l\xe8ron \x80 300 \xe0 333     [CM ]\r\n");

        r = example();
        r.FreqOrigine = -1;
        r.FreqOverclock = 2147483647;
        QTest::newRow("frequencies as %d")
            << r << QByteArray("            Proc 300 -1 \xe0 2147483647     [CM Carte A]\r\n");
    }
    void writesTextsVerbatim()
    {
        QFETCH(ResultRecord, record);
        QFETCH(QByteArray, tail);
        const QByteArray line = ResultLine(record);
        QCOMPARE(line.mid(36), tail);
    }

    void shiftsTheLineForAnIndexOfOneThousandMillion()
    {
        ResultRecord r = example();
        r.Indice = 1e9f;
        const QByteArray line = ResultLine(r);
        QVERIFY(line.startsWith("1000000000.00       38.50       52.50" + QByteArray(12, ' ') + "Proc 300"));
        QCOMPARE(line.size(), 83 + 2 + 1);
    }

    void refusesWhatTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("processeur");
        QTest::addColumn<QString>("carteMere");
        QTest::newRow("Greek letter") << QString::fromUtf8("Ωmega") << QStringLiteral("A");
        QTest::newRow("emoji in the board") << QStringLiteral("P") << QString::fromUtf8("A 🙂");
        QTest::newRow("line feed") << QStringLiteral("P\nQ") << QStringLiteral("A");
        QTest::newRow("carriage return") << QStringLiteral("P") << QStringLiteral("A\r");
    }
    void refusesWhatTheFileCannotHold()
    {
        QFETCH(QString, processeur);
        QFETCH(QString, carteMere);
        ResultRecord r = example();
        r.Processeur = processeur;
        r.CarteMere = carteMere;
        QVERIFY_THROWS_EXCEPTION(EEncodingError, ResultLine(r));
        QVERIFY_THROWS_EXCEPTION(EEncodingError, HistoryEntry(processeur + carteMere));
    }

    void appendsWithoutEverRewriting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        AppendToFile(path.toStdString(), "one\r\n");
        QCOMPARE(readAll(path), QByteArray("one\r\n"));
        AppendToFile(path.toStdString(), "one\r\n");
        QCOMPARE(readAll(path), QByteArray("one\r\none\r\n"));

        // A last line left without its end by hand is continued, never repaired.
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("hand");
        file.close();
        AppendToFile(path.toStdString(), "two\r\n");
        QCOMPARE(readAll(path), QByteArray("one\r\none\r\nhandtwo\r\n"));
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
    // SIGXFSZ, which must not end the program.
    void aPartialAppendIsTakenBack_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("full file system") << ENOSPC;
        QTest::newRow("file-size limit") << EFBIG;
    }
    void aPartialAppendIsTakenBack()
    {
        QFETCH(int, error);
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        if (error == ENOSPC && ::mount("tmpfs", folder, "tmpfs", 0, "size=64k") != 0)
            QSKIP("a small file system can only be mounted as root");
        const auto unmount = qScopeGuard([&] { ::umount2(folder, MNT_DETACH); });
        const std::string path = folder.toStdString() + "/TARVODAT.TXT";
        const QByteArray before(4096 - 40, 'x'), line = ResultLine(example());
        AppendToFile(path, before);
        QFile filler(dir.filePath("filler")); // takes every page left
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (error == ENOSPC && filler.write(QByteArray(4096, 'f')) > 0) {
        }

        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit limit {4096, RLIM_INFINITY};
            if (error == EFBIG)
                ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                AppendToFile(path, line);
            } catch (const EWriteError &e) {
                ::_exit(QString::fromUtf8(e.what()).contains(SystemReason(error)) ? 0 : 2);
            }
            ::_exit(1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "not reported, or ended by a signal");
        QCOMPARE(readAll(dir.filePath("TARVODAT.TXT")), before);
        filler.remove();
        AppendToFile(path, line);
        QCOMPARE(readAll(dir.filePath("TARVODAT.TXT")), before + line);
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
        constexpr int perProcess = 1000;
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

QTEST_APPLESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
