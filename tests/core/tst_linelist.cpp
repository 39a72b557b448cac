#include "../AddressLimit.h"
#include "../ScratchFiles.h"
#include "core/Errors.h"
#include "core/FileGrowth.h"
#include "core/ErrorTexts.h"
#include "core/LineList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo;

Q_DECLARE_METATYPE(tarvo::FileStamp)

namespace {

// The plainest reading of the cutting rules, to check the fast one against.
QList<QByteArray> cutSlowly(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QList<QByteArray> bytesOf(const LineList &list)
{
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < list.size(); ++i)
        lines.append(list.bytesAt(i).toByteArray());
    return lines;
}

// The same lines in plain byte order (QByteArray compares as unsigned bytes).
QList<QByteArray> sortedSlowly(QList<QByteArray> lines)
{
    std::stable_sort(lines.begin(), lines.end());
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines, const char *end = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + end;
    return bytes;
}

} // namespace

class TestLineList : public QObject {
    Q_OBJECT

private slots:
    void cutsLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("LF only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
        QTest::newRow("one line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("Windows-1252") << QByteArray("300 \xe0 333\r\n\x80\r\n")
                                      << QStringList{QString::fromUtf8("300 à 333"), QString::fromUtf8("€")};
        QTest::newRow("NUL byte kept") << QByteArray("a\0b\n", 4) << QStringList{QString(reinterpret_cast<const QChar *>(u"a\0b"), 3)};
    }
    void cutsLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(LineList::fromBytes(bytes).toStringList(), lines);
    }

    void sortsAsTextWithSpaceBeforeDigits()
    {
        LineList list = LineList::fromBytes("     1200.00 c\r\n      250.00 a\r\n       75.50 b\r\n\r\n");
        list.sort();
        QCOMPARE(list.toStringList(),
                 (QStringList{"", "       75.50 b", "      250.00 a", "     1200.00 c"}));
    }

    void sortsByBytesNotByUtf16()
    {
        // Bytes above 0x7F come after ASCII, whatever their Unicode value.
        LineList list = LineList::fromBytes("\xe0\n\x80\nz\nab\na\n");
        list.sort();
        QCOMPARE(list.toStringList(),
                 (QStringList{"a", "ab", "z", QString::fromUtf8("€"), QString::fromUtf8("à")}));
    }

    void cutsLikeTheRulesOnRandomBytes()
    {
        // Line ends of every kind packed close together, around the places
        // where one search hands over to the next.
        std::mt19937 random(7);
        const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n', '\0'};
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes;
            const int length = int(random() % 64);
            for (int i = 0; i < length; ++i)
                bytes.append(alphabet[random() % sizeof alphabet]);
            QCOMPARE(bytesOf(LineList::fromBytes(bytes)), cutSlowly(bytes));
        }
    }

    void sortsInByteOrder_data()
    {
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("shorter than the sort key")
            << QList<QByteArray>{"b", "", "ab", "a", "abc", "a b", "a0"};
        QTest::newRow("NUL bytes against the key's padding")
            << QList<QByteArray>{QByteArray("ab\0", 3), "ab", QByteArray("ab\0\0", 4), QByteArray("ab\0\1", 4),
                                 QByteArray("\0", 1), ""};
        QTest::newRow("long shared start, differing past the key")
            << QList<QByteArray>{QByteArray(30, ' ') + "b", QByteArray(30, ' ') + "a", QByteArray(30, ' '),
                                 QByteArray(30, ' ') + "a" + QByteArray(20, 'z'), QByteArray(29, ' ')};
        QTest::newRow("same index, later columns decide")
            << QList<QByteArray>{"       75.50       80.00       62.00 b", "       75.50       80.00       61.00 z",
                                 "       75.50       79.00       99.00 a", "       75.50       80.00       62.00 a"};
        QTest::newRow("identical lines") << QList<QByteArray>{"x y", "x y", "x", "x y"};
        QTest::newRow("a byte met only past the bytes a key's code was chosen on")
            << QList<QByteArray>{"b", "b", "b", "b", "b", "b", "b", "b", "c", "c", "c", "c", "c", "c", "c", "c",
                                 QByteArray(20, 'a') + "\x9b", QByteArray(30, 'a')};
        QTest::newRow("bytes above 0x7F after ASCII")
            << QList<QByteArray>{"\xe0", "\x80", "z", "\x7f", "\xff\x01", "\xff"};
    }
    void sortsInByteOrder()
    {
        QFETCH(QList<QByteArray>, lines);
        LineList list = LineList::fromBytes(joined(lines));
        list.sort();
        QCOMPARE(bytesOf(list), sortedSlowly(lines));
    }

    void sortsALongListInByteOrder()
    {
        // Enough lines for the sort to split the work in two and merge.
        std::mt19937 random(42);
        const char alphabet[] = {' ', ' ', ' ', '0', '1', '9', '.', 'a', '\0', '\xe0'};
        QList<QByteArray> lines;
        for (int i = 0; i < 100000; ++i) {
            QByteArray line(int(random() % 24), ' ');
            for (char &c : line)
                c = alphabet[random() % sizeof alphabet];
            lines.append(line);
        }
        LineList list = LineList::fromBytes(joined(lines, "\n"));
        list.sort();
        QCOMPARE(bytesOf(list), sortedSlowly(lines));
        // Every line shares its first bytes but those of the second half's
        // last line (the halves' keys are made apart).
        for (QByteArray &line : lines)
            line.prepend("       ");
        lines.last().replace(3, 1, "!");
        list = LineList::fromBytes(joined(lines, "\n"));
        list.sort();
        QCOMPARE(bytesOf(list), sortedSlowly(lines));
    }

    void sortsManyLinesOfEachShapeInByteOrder_data()
    {
        // Thousands of lines, enough for the keys to be sorted by their bits in
        // buckets, then each bucket on its own. A line is one of `starts`, then
        // bytes of `alphabet` (any but the line ends when it is empty), which
        // sets how many bits a byte takes in a key and so where keys differ.
        QTest::addColumn<QList<QByteArray>>("starts");
        QTest::addColumn<QByteArray>("alphabet");
        QTest::addColumn<int>("shortest");
        QTest::addColumn<int>("longest");
        QTest::newRow("keys alike but in their lowest bits")
            << QList<QByteArray>{QByteArray(13, '1'), QByteArray(13, '2')} << QByteArray("012") << 3 << 3;
        QTest::newRow("seven symbols, lines ending inside the key")
            << QList<QByteArray>{""} << QByteArray(" .01289") << 0 << 20;
        QTest::newRow("results-like: many equal keys, the lines differing past them")
            << QList<QByteArray>{"   12.50   ", "  120.00   ", "   12.75   "} << QByteArray("   12.") << 20 << 30;
        QTest::newRow("every byte value, above 0x7F too") << QList<QByteArray>{""} << QByteArray() << 1 << 12;
        QTest::newRow("long lines alike but their last bytes")
            << QList<QByteArray>{QByteArray(300, 'x'), QByteArray(300, 'y')} << QByteArray("ab") << 2 << 2;
    }
    void sortsManyLinesOfEachShapeInByteOrder()
    {
        QFETCH(QList<QByteArray>, starts);
        QFETCH(QByteArray, alphabet);
        QFETCH(int, shortest);
        QFETCH(int, longest);
        std::mt19937 random(11);
        QList<QByteArray> lines;
        for (int i = 0; i < 6000; ++i) {
            QByteArray line = starts[qsizetype(random() % starts.size())];
            const int length = shortest + int(random() % unsigned(longest - shortest + 1));
            for (int j = 0; j < length; ++j) {
                const char c = alphabet.isEmpty() ? char(random() % 256) : alphabet[random() % alphabet.size()];
                line.append(c == '\r' || c == '\n' ? '\xff' : c);
            }
            lines.append(line);
        }
        LineList list = LineList::fromBytes(joined(lines));
        list.sort();
        QCOMPARE(bytesOf(list), sortedSlowly(lines));
    }

    void startingRunsBetweenOpenAndRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("lines.txt");
        QVERIFY(writeFile(path, "two\r\none\r\n"));
        // The file is already open when the callback runs: removing it changes nothing.
        LineList list;
        std::uint64_t told = 0;
        list.loadSorted(path.toStdString(), [&](std::uint64_t size) {
            told = size;
            QFile::remove(path);
        });
        QCOMPARE(told, std::uint64_t(10));
        QCOMPARE(list.toStringList(), (QStringList{"one", "two"}));
    }

    void refusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<QString>("name"); // in a scratch folder
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << "absent" << ENOENT;
        QTest::newRow("folder") << "." << EISDIR;
        QTest::newRow("fifo") << "fifo" << NotARegularFile;
        QTest::newRow("link to a device") << "zero" << NotARegularFile;
    }
    void refusesWhatIsNotARegularFile()
    {
        QFETCH(QString, name);
        QFETCH(int, error);
        QTemporaryDir dir;
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero")));
        QVERIFY(writeFile(dir.filePath("kept"), "kept\r\n"));
        LineList list;
        list.loadSorted(dir.filePath("kept").toStdString());

        // Neither blocks nor reads: refused at once, the list as it was.
        const std::string path = dir.filePath(name).toStdString();
        bool started = false;
        try {
            list.loadSorted(path, [&](std::uint64_t) { started = true; });
            QFAIL("no error");
        } catch (const EFOpenError &refused) {
            const QString message = QString::fromUtf8(refused.what());
            QVERIFY2(message.contains(QString::fromStdString(path)), refused.what());
            QVERIFY2(message.contains(SystemReason(error)), refused.what());
        }
        QVERIFY(!started);
        QCOMPARE(list.toStringList(), QStringList{"kept"});
    }

    // A long file is read and cut in two halves; the lines must be what one
    // cut of the whole gives, whatever lies where the halves meet.
    void loadsALongFileAsOneCutOfItWould_data()
    {
        QTest::addColumn<QByteArray>("middle"); // written over the bytes from the middle on
        QTest::addColumn<int>("shift");         // where it begins, from the middle
        QTest::addColumn<qsizetype>("size");
        constexpr qsizetype size = 6 << 20;
        QTest::newRow("CR LF across the middle") << QByteArray("\r\n") << -1 << size;
        QTest::newRow("CR LF just before the middle") << QByteArray("\r\n") << -2 << size;
        QTest::newRow("a lone CR at the middle") << QByteArray("\rx") << 0 << size;
        QTest::newRow("a lone LF at the middle") << QByteArray("x\nx") << -1 << size;
        QTest::newRow("no line end after the middle, nor at the end")
            << QByteArray(size / 2, 'x') << 0 << size;
        QTest::newRow("a line of 16 MB across the middle")
            << QByteArray("\n") + QByteArray(17 << 20, 'y') + "\r\n" << -(9 << 20) << qsizetype(20 << 20);
    }
    void loadsALongFileAsOneCutOfItWould()
    {
        QFETCH(QByteArray, middle);
        QFETCH(int, shift);
        QFETCH(qsizetype, size);
        std::mt19937 random(7);
        QByteArray bytes;
        bytes.reserve(size);
        while (bytes.size() < size) {
            bytes += QByteArray(qsizetype(random() % 120), char('a' + random() % 26));
            bytes += std::array<const char *, 4>{"\r\n", "\r\n", "\n", "\r"}[random() % 4];
        }
        bytes.truncate(size - 1);
        bytes += 'z'; // the last line without end
        bytes.replace(size / 2 + shift, middle.size(), middle);
        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(path, bytes));
        LineList list;
        list.loadSorted(path.toStdString());
        QVERIFY(bytesOf(list) == sortedSlowly(cutSlowly(bytes)));
    }

    void reloadGivesWhatAWholeLoadGives_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("change"); // append, rewrite (same inode) or replace (new inode)
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("appended"); // read in part, not whole

        const QByteArray lines = "      250.00 b\r\n       75.50 a\r\n     1200.00 c\r\n      250.00 a\r\n";
        QTest::newRow("nothing changed") << lines << "append" << QByteArray() << true;
        QTest::newRow("lines appended, among the old and as duplicates")
            << lines << "append" << QByteArray("      250.00 a\r\n        1.00 z\r\n     9999.99 z\n      250.00 ab\r\n")
            << true;
        QTest::newRow("a line of 16 MB appended")
            << lines << "append" << QByteArray(17 << 20, ' ') + "x\r\nq\r\n" << true;
        QTest::newRow("to an empty file") << QByteArray() << "append" << QByteArray("b\r\na\r\n") << false;
        QTest::newRow("a line without end continued") << QByteArray("b\r\na") << "append" << QByteArray("c\r\n") << false;
        QTest::newRow("an LF after a lone CR") << QByteArray("b\r\na\r") << "append" << QByteArray("\n") << false;
        QTest::newRow("cut short") << lines << "rewrite" << lines.first(20) << false;
        QTest::newRow("emptied") << lines << "rewrite" << QByteArray() << false;
        QByteArray sameSize = lines;
        sameSize[13] = 'z';
        QTest::newRow("rewritten in place") << lines << "rewrite" << sameSize << false;
        QTest::newRow("rewritten and grown") << lines << "rewrite" << sameSize + "        2.00 n\r\n" << false;
        QTest::newRow("replaced by its own bytes and more")
            << lines << "replace" << lines + "        2.00 n\r\n" << false;
    }
    void reloadGivesWhatAWholeLoadGives()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, change);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, appended);
        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(path, before));
        LineList list;
        list.loadSorted(path.toStdString());

        QByteArray after = bytes;
        if (change == "append") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            QCOMPARE(file.write(bytes), bytes.size());
            after = before + bytes;
        } else if (change == "rewrite") {
            QVERIFY(writeFile(path, bytes)); // truncates, same inode
        } else {
            QVERIFY(writeFile(path + ".new", bytes));
            QCOMPARE(::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()), 0);
        }

        const LineList::Read read = list.loadSorted(path.toStdString());
        QCOMPARE(read == LineList::Read::Appended, appended);
        const QList<QByteArray> expected = sortedSlowly(cutSlowly(after));
        QCOMPARE(list.size(), expected.size());
        QVERIFY(bytesOf(list) == expected);
    }

    // The rule that lets a reload read only what was appended, on file states
    // given here: 8,192 bytes held, their last 4,096 compared.
    void reloadTrustsOnlyAGrowthWithItsLastBlockUnchanged_data()
    {
        QTest::addColumn<FileStamp>("now");
        QTest::addColumn<bool>("lastBlockSame");
        QTest::addColumn<bool>("held");
        const FileStamp before {8, 100, 8192, 1'000'000'000, 1'000'000'000};
        const auto with = [&](auto change) {
            FileStamp stamp = before;
            change(stamp);
            return stamp;
        };
        const auto later = [](FileStamp &s) { s.modifiedNs += 4'000'000, s.changedNs += 4'000'000; };
        QTest::newRow("untouched") << before << true << true;
        QTest::newRow("appended") << with([&](FileStamp &s) { later(s), s.size += 60; }) << true << true;
        QTest::newRow("appended, last block rewritten")
            << with([&](FileStamp &s) { later(s), s.size += 60; }) << false << false;
        QTest::newRow("same size, last block rewritten") << before << false << false;
        QTest::newRow("same size, written in place") << with(later) << true << false;
        QTest::newRow("same size, times set back (status time moved)")
            << with([](FileStamp &s) { s.changedNs += 4'000'000; }) << true << false;
        QTest::newRow("cut short") << with([&](FileStamp &s) { later(s), s.size -= 1; }) << true << false;
        QTest::newRow("another file in its place") << with([](FileStamp &s) { s.inode += 1; }) << true << false;
        QTest::newRow("another file system") << with([](FileStamp &s) { s.device += 1; }) << true << false;
    }
    void reloadTrustsOnlyAGrowthWithItsLastBlockUnchanged()
    {
        QFETCH(FileStamp, now);
        QFETCH(bool, lastBlockSame);
        QFETCH(bool, held);
        const FileStamp before {8, 100, 8192, 1'000'000'000, 1'000'000'000};
        const QByteArray tail(int(comparedBlock), 'x');
        QByteArray read = tail;
        if (!lastBlockSame)
            read[0] = 'y';
        QCOMPARE(StillHeld(before, 8192, now, tail, read), held);
    }

    void copiesShareTheBytesAndKeepTheirOwnLines()
    {
        // Two windows on one file: the second starts from the first's list.
        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        const QByteArray first = "      250.00 b\r\n       75.50 a\r\n";
        QVERIFY(writeFile(path, first));
        LineList shown;
        QVERIFY(shown.loadSorted(path.toStdString()) == LineList::Read::Whole);
        LineList other = shown;

        const auto append = [&](const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            QCOMPARE(file.write(bytes), bytes.size());
        };
        append("     1200.00 c\r\n");
        QVERIFY(other.loadSorted(path.toStdString()) == LineList::Read::Appended);
        QVERIFY(other.sharesBytesWith(shown));
        QCOMPARE(shown.size(), 2); // until it is loaded again itself
        QCOMPARE(other.toStringList(), (QStringList{"       75.50 a", "      250.00 b", "     1200.00 c"}));

        // The first catches up with what the other read, and the file's new line.
        append("        1.00 z\r\n");
        QVERIFY(shown.loadSorted(path.toStdString()) == LineList::Read::Appended);
        QVERIFY(shown.sharesBytesWith(other));
        QCOMPARE(bytesOf(shown), sortedSlowly(cutSlowly(first + "     1200.00 c\r\n        1.00 z\r\n")));
        QCOMPARE(other.size(), 3);

        // Rewritten in place: read whole, the copy keeps what it showed.
        QVERIFY(writeFile(path, "q\r\n"));
        QVERIFY(other.loadSorted(path.toStdString()) == LineList::Read::Whole);
        QCOMPARE(other.toStringList(), QStringList{"q"});
        QVERIFY(!other.sharesBytesWith(shown));
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.at(0), QStringLiteral("        1.00 z"));
    }

    void refusesAFileTooLargeForMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any limit would leave");
#endif
        QTemporaryDir dir;
        const std::string kept = dir.filePath("kept").toStdString();
        const std::string huge = dir.filePath("huge").toStdString();
        const std::string lineEnds = dir.filePath("ends").toStdString();
        QVERIFY(writeFile(QString::fromStdString(kept), "kept\r\n"));
        // 1 GB that takes no disk; 16 MB of empty lines, 256 MB once indexed.
        QFile sparse(QString::fromStdString(huge));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 30));
        QVERIFY(writeFile(QString::fromStdString(lineEnds), QByteArray(16 << 20, '\n')));

        if (!addressLimitHolds())
            QSKIP("No address-space limit holds here (an emulator)");

        // Under an address-space limit of 96 MB more than is used now, in a child
        // so that the limit stays there.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const rlim_t room = 96 << 20;
            const struct rlimit limit {mappedNow() + room, mappedNow() + room};
            int status = ::setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : 10;
            LineList list;
            const auto refused = [&](const std::string &path, bool untouched) {
                bool started = false;
                try {
                    list.loadSorted(path, [&](std::uint64_t) { started = true; });
                    return false;
                } catch (const EFOpenError &error) {
                    std::fprintf(stderr, "%s\n", error.what());
                    return QString::fromUtf8(error.what()).contains(QString::fromUtf8("trop grand"))
                        && started != untouched && list.toStringList() == QStringList(untouched ? 1 : 0, "kept");
                }
            };
            list.loadSorted(kept);
            if (status == 0 && !refused(huge, true)) // seen from its size, before reading
                status = 1;
            if (status == 0 && !refused(lineEnds, false)) // seen while cutting its lines
                status = 2;
            // And the program goes on.
            list.loadSorted(kept);
            if (status == 0 && list.toStringList() != QStringList{"kept"})
                status = 3;
            ::_exit(status);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }
};

QTEST_APPLESS_MAIN(TestLineList)
#include "tst_linelist.moc"
