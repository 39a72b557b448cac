// A stored result: the line read back exactly when the program could have
// written it, the description's checks in the entry window's order, and the
// two ways a value joins its history.
#include "core/Errors.h"
#include "core/StoredResult.h"

#include "../ScratchFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using tarvo::DescriptionField;

Q_DECLARE_METATYPE(tarvo::ResultRecord)

namespace {

tarvo::ResultRecord record(float indice, const QString &processeur, std::int32_t origine, const QString &carte)
{
    tarvo::ResultRecord r;
    r.Indice = indice;
    r.ResultatFlottant = 38.5f;
    r.ResultatEntier = 52.5f;
    r.Processeur = processeur;
    r.FreqOrigine = origine;
    r.FreqOverclock = 333;
    r.CarteMere = carte;
    return r;
}

const QByteArray example = "       42.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]";

} // namespace

class TestStoredResult : public QObject {
    Q_OBJECT

private slots:
    // Whatever ResultLine writes is taken apart, and the fields give the same
    // line back.
    void takesApartWhatTheProgramWrites_data()
    {
        QTest::addColumn<tarvo::ResultRecord>("record");
        QTest::newRow("plain") << record(42.0f, "Proc 300", 300, "Carte A");
        QTest::newRow("the middle inside the processor")
            << record(1.0f, QStringLiteral("A 1 à 2     [CM B"), 3, QStringLiteral("C] 4 à 5     [CM D]"));
        QTest::newRow("empty texts, negative frequency") << record(0.125f, "", -2147483647 - 1, "");
        QTest::newRow("negative index, rounded to -0.00") << record(-0.001f, "p", 0, "c");
        QTest::newRow("one thousand million, wider than its field") << record(1.5e9f, "p", 1, "c");
        QTest::newRow("a tie above 2^16, to even") << record(131072.125f, "p", 1, "c");
        QTest::newRow("largest float") << record(3.4028235e38f, "p", 1, "c");
    }
    void takesApartWhatTheProgramWrites()
    {
        QFETCH(tarvo::ResultRecord, record);
        const QByteArray line = tarvo::ResultLine(record).chopped(2);
        const auto fields = tarvo::ParseResultLine(line);
        QVERIFY2(fields, line.constData());
        QCOMPARE(tarvo::ResultLine(tarvo::RecordOf(*fields)).chopped(2), line);
    }

    // One line per way of missing the format.
    void refusesWhatItCouldNotHaveWritten_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("padding short") << QByteArray(example).remove(0, 1);
        QTest::newRow("three decimals") << QByteArray(example).replace("      42.00", "     42.000");
        QTest::newRow("leading zero") << QByteArray(example).replace("   42.00", "  042.00");
        QTest::newRow("eleven spaces") << QByteArray(example).replace("52.50            ", "52.50           ");
        QTest::newRow("frequency with a leading zero") << QByteArray(example).replace("300 \xe0", "0300 \xe0");
        QTest::newRow("frequency -0") << QByteArray(example).replace("300 \xe0", "-0 \xe0");
        QTest::newRow("frequency beyond 32 bits") << QByteArray(example).replace("333", "2147483648");
        QTest::newRow("no [CM") << QByteArray(example).replace("[CM ", "[MB ");
        QTest::newRow("no closing bracket") << example.chopped(1);
        QTest::newRow("no float prints so") << QByteArray(example).replace("       42.00", "  1234567.89");
        QTest::newRow("the tie's other side") << QByteArray(example).replace("       42.00", "   131072.13");
        QTest::newRow("not a number") << QByteArray(example).replace("       42.00", "         inf");
    }
    void refusesWhatItCouldNotHaveWritten()
    {
        QFETCH(QByteArray, line);
        QVERIFY(tarvo::ParseResultLine(example));
        QVERIFY2(!tarvo::ParseResultLine(line), line.constData());
    }

    // The first value that fails, in the window's order: the texts the files
    // cannot hold before the checks of "OK"; and whether the window's own
    // check (DescriptionRule) sees it too.
    void checksTheDescriptionInOrder_data()
    {
        QTest::addColumn<tarvo::ResultRecord>("description");
        QTest::addColumn<int>("field");     // -1 when accepted
        QTest::addColumn<bool>("text");     // a text the files cannot hold
        QTest::addColumn<QString>("reason"); // a part of it
        const QString tooLong(tarvo::LongestText + 1, u'x');
        QTest::newRow("accepted, spaces") << record(1, " ", 1, "  ") << -1 << false << "";
        QTest::newRow("empty processor") << record(1, "", 0, "") << 0 << false << "ni vide ni « NoCPU »";
        QTest::newRow("marker processor") << record(1, "NoCPU", 1, "B") << 0 << false << "NoCPU";
        QTest::newRow("base frequency 0") << record(1, "P", 0, "B") << 1 << false << "fréquence d'origine";
        QTest::newRow("overclock -1") << [] { auto r = record(1, "P", 1, "B"); r.FreqOverclock = -1; return r; }()
                                      << 2 << false << "fréquence d'overclock";
        QTest::newRow("marker motherboard") << record(1, "P", 1, "NoCarteMere") << 3 << false << "NoCarteMere";
        QTest::newRow("control character, before NoCPU")
            << record(1, "NoCPU", 0, QStringLiteral("B\x1b[31m")) << 3 << true << "(U+001B)";
        QTest::newRow("line end") << record(1, "P\nQ", 1, "B") << 0 << true << "retour à la ligne";
        QTest::newRow("too long") << record(1, tooLong, 1, "B") << 0 << true << "10";
        QTest::newRow("outside the code page") << record(1, "P", 1, QStringLiteral("☃")) << 3 << true << "U+2603";
    }
    void checksTheDescriptionInOrder()
    {
        QFETCH(tarvo::ResultRecord, description);
        QFETCH(int, field);
        QFETCH(bool, text);
        QFETCH(QString, reason);
        const auto fault = tarvo::CheckDescription(description);
        QCOMPARE(fault ? int(fault->field) : -1, field);
        if (!fault)
            return;
        QCOMPARE(fault->text, text);
        QVERIFY2(fault->reason.contains(reason), qPrintable(fault->reason));
        // The window checks only the rules of "OK"; the texts were checked as they were typed.
        if (!text) {
            const auto rule = tarvo::DescriptionRule(description);
            QVERIFY(rule);
            QCOMPARE(int(rule->field), field);
        }
    }

    // The window appends every answer; --save adds a value once, even when
    // several copies save the same new value at the same moment.
    void historiesGrowByTheirTwoRules()
    {
        QTemporaryDir folder;
        const std::string path = folder.filePath("_CPU.TXT").toStdString();
        const QByteArray entry = tarvo::HistoryEntry(QStringLiteral("Célèron"));
        tarvo::AppendAnswer(path, entry);
        tarvo::AppendAnswer(path, entry);
        QCOMPARE(readAll(QString::fromStdString(path)), entry + entry);

        const std::string saved = folder.filePath("_CMERE.TXT").toStdString();
        std::vector<std::thread> copies;
        std::atomic<int> added = 0;
        for (int i = 0; i < 8; ++i)
            copies.emplace_back([&] { added += tarvo::AddWhenMissing(saved, entry); });
        for (std::thread &copy : copies)
            copy.join();
        QCOMPARE(added.load(), 1);
        QCOMPARE(readAll(QString::fromStdString(saved)), entry);
        QVERIFY(!tarvo::AddWhenMissing(path, entry));
        QVERIFY(tarvo::AddWhenMissing(path, tarvo::HistoryEntry(450)));
        QCOMPARE(readAll(QString::fromStdString(path)), entry + entry + "450\r\n");
    }
};

QTEST_APPLESS_MAIN(TestStoredResult)
#include "tst_storedresult.moc"
