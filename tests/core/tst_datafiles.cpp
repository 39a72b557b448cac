// The results line and the history entries, byte for byte: numbers as the C
// locale prints them whatever the locale, texts verbatim, and what the data
// files cannot hold refused.
#include "core/StoredResult.h"
#include "core/Errors.h"

#include <QRandomGenerator>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace tarvo;

Q_DECLARE_METATYPE(tarvo::ResultRecord)

namespace {

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
        QTest::newRow("tab") << QStringLiteral("\t=1") << QStringLiteral("A");
        QTest::newRow("escape") << QStringLiteral("P") << QStringLiteral("A\x1b[2J");
        QTest::newRow("undefined byte's control") << QStringLiteral("P\u0081") << QStringLiteral("A");
        QTest::newRow("longer than a description") << QString(LongestText + 1, u'p') << QStringLiteral("A");
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
};

QTEST_APPLESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
