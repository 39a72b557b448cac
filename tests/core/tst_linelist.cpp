#include "core/Errors.h"
#include "core/LineList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace tarvo;

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
            QVERIFY2(message.contains(QString::fromLocal8Bit(std::strerror(ENOENT))), error.what());
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
