// The command line's formats: CSV fields quoted as RFC 4180 asks, JSON
// strings escaped, all in UTF-8.
#include "cli/Json.h"
#include "cli/List.h"
#include "cli/Output.h"

#include "core/Ansi.h"
#include "core/StoredResult.h"

#include "../ScratchFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using namespace tarvo::cli;

namespace {

const QByteArray example = "       42.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]";

// The records of a CSV text as RFC 4180 reads them: fields split at commas,
// records at CR LF, quoted fields with their quotes doubled.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records{{QString()}};
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes && c == u'"' && text.mid(i + 1, 1) == u'"')
            records.last().last() += text.at(++i);
        else if (c == u'"')
            inQuotes = !inQuotes;
        else if (!inQuotes && c == u',')
            records.last() << QString();
        else if (!inQuotes && text.mid(i, 2) == QStringLiteral("\r\n") && ++i)
            records << QStringList{QString()};
        else
            records.last().last() += c;
    }
    records.removeLast(); // after the last line end
    return records;
}

} // namespace

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    // Quoted when a field holds a separator (a comma, or the semicolon that
    // spreadsheets set to French take for one), a quote or spaces at an end;
    // quotes doubled; Windows-1252 letters as UTF-8.
    void quotesCsvFields_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("csv");
        QTest::newRow("plain, accented") << QByteArray("Carte m\xe8re") << QStringLiteral("Carte mère");
        QTest::newRow("semicolon, quote, é")
            << QByteArray("AMD; \"K6\" \xe9") << QStringLiteral("\"AMD; \"\"K6\"\" é\"");
        QTest::newRow("comma") << QByteArray("1,2") << QStringLiteral("\"1,2\"");
        QTest::newRow("semicolon alone") << QByteArray("1;2") << QStringLiteral("\"1;2\"");
        QTest::newRow("space at an end") << QByteArray(" A") << QStringLiteral("\" A\"");
        QTest::newRow("euro sign") << QByteArray("\x80") << QStringLiteral("€");
    }
    void quotesCsvFields()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, csv);
        std::string row;
        AppendCsvField(row, field);
        QCOMPARE(QString::fromStdString(row), csv);
    }

    // A stored text a spreadsheet would run as a formula is given a leading
    // quote; no control character comes out raw. Read back by an RFC 4180
    // reader, from a row and, where a line can hold it, from --list itself.
    void csvIsSafeInASpreadsheet_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("cell");
        QTest::newRow("=") << QByteArray("=HYPERLINK(\"http://x\",\"a\")") << QStringLiteral("'=HYPERLINK(\"http://x\",\"a\")");
        QTest::newRow("+") << QByteArray("+cmd|' /C calc'!A0") << QStringLiteral("'+cmd|' /C calc'!A0");
        QTest::newRow("-") << QByteArray("-2+3") << QStringLiteral("'-2+3");
        QTest::newRow("@") << QByteArray("@SUM(A1)") << QStringLiteral("'@SUM(A1)");
        QTest::newRow("tab") << QByteArray("\t=1") << QStringLiteral("'\u2409=1");
        QTest::newRow("carriage return") << QByteArray("\r=1") << QStringLiteral("'\u240d=1");
        QTest::newRow("line feed") << QByteArray("a\nb") << QStringLiteral("a\u240ab");
        QTest::newRow("NUL") << QByteArray("a\0b", 3) << QStringLiteral("a\u2400b");
        QTest::newRow("escape sequence") << QByteArray("a\x1b[2Jb") << QStringLiteral("a\u241b[2Jb");
        QTest::newRow("DEL") << QByteArray("a\x7f") << QStringLiteral("a\u2421");
        QTest::newRow("undefined byte") << QByteArray("a\x81") << QStringLiteral("a\ufffd");
        QTest::newRow("= inside, quoted") << QByteArray("1,=2") << QStringLiteral("1,=2");
        QTest::newRow("every byte grows, a long text") << QByteArray("=") + QByteArray("\x01\x81\x80\"").repeated(60) + " "
                                                       << "'=" + QString::fromUtf8("\u2401\ufffd€\"").repeated(60) + " ";
    }
    void csvIsSafeInASpreadsheet()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, cell);
        std::string row = "1,";
        AppendCsvField(row, stored);
        row += ",2\r\n";
        QCOMPARE(readCsv(QString::fromStdString(row)), (QList<QStringList>{{"1", cell, "2"}}));
        if (stored.contains('\r') || stored.contains('\n'))
            return; // a stored line cannot hold it

        QTemporaryDir dir;
        const QString path = dir.filePath("TARVODAT.TXT");
        QVERIFY(writeFile(path, QByteArray(example).replace("Proc 300", stored) + "\r\n"));
        std::string csv;
        {
            Output out(csv);
            ListResults(path.toStdString(), Format::Csv, out);
        }
        const QByteArray withoutLineEnds = QByteArray::fromStdString(csv).replace("\r\n", "");
        for (const char c : withoutLineEnds)
            QVERIFY2(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, csv.c_str());
        const auto records = readCsv(QString::fromStdString(csv));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1], (QStringList{"42.00", "38.50", "52.50", cell, "300", "333", "Carte A", ""}));
    }

    // A stored text with every kind of character comes back whole through a
    // JSON reader; numbers carry their point.
    void jsonReadsBack()
    {
        QByteArray nasty("q\"b\\s/\t\x01\x7f\xe9\x80");
        QTemporaryFile file;
        QVERIFY(file.open());
        {
            Output out(file.handle());
            JsonWriter json(out);
            json.beginObject().key("text").ansi(nasty).key("whole").value(2.0).key("none").value(std::nan("")).endObject();
            QVERIFY(out.flush());
        }
        file.seek(0);
        const QByteArray written = file.readAll();
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(written, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, written.constData());
        QCOMPARE(object.value("text").toString(), QString::fromUtf8("q\"b\\s/\t\x01\x7f\xc3\xa9\xe2\x82\xac"));
        QVERIFY(written.contains("\"whole\":2.0"));
        QVERIFY(object.value("none").isNull());
    }
};

QTEST_APPLESS_MAIN(TestFormats)
#include "tst_formats.moc"
