#include "core/Errors.h"
#include "core/SystemFiles.h"
#include "core/LineList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <random>

using namespace tarvo;

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
    }

    void openedRunsBetweenOpenAndRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("lines.txt");
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(EFOpenError, LineList::fromFile(path.toStdString(), [&] { ++calls; }));
        QVERIFY_THROWS_EXCEPTION(EFOpenError, LineList::fromFile(dir.path().toStdString(), [&] { ++calls; }));
        QCOMPARE(calls, 0);

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("one\r\n");
        file.close();
        // The file is already open when the callback runs: removing it changes nothing.
        const LineList list = LineList::fromFile(path.toStdString(), [&] {
            ++calls;
            QFile::remove(path);
        });
        QCOMPARE(calls, 1);
        QCOMPARE(list.toStringList(), QStringList{"one"});
    }

    void readsAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("lines.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("one\r\ntwo\r\n");
        file.close();
        QCOMPARE(LineList::fromFile(path.toStdString()).toStringList(), (QStringList{"one", "two"}));
    }

    void missingFileNamesPathAndReason()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("absent.txt").toStdString();
        try {
            LineList::fromFile(path);
            QFAIL("no error for a missing file");
        } catch (const EFOpenError &error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(QString::fromStdString(path)), error.what());
            QVERIFY2(message.contains(tarvo::SystemReason(ENOENT)), error.what());
        }
    }

    void directoryIsAnOpenError()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(EFOpenError, LineList::fromFile(dir.path().toStdString()));
    }
};

QTEST_APPLESS_MAIN(TestLineList)
#include "tst_linelist.moc"
