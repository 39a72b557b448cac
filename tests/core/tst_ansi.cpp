#include "core/Ansi.h"
#include "core/Errors.h"

#include <QTest>

using namespace tarvo;

class TestAnsi : public QObject {
    Q_OBJECT

private slots:
    void encodesWindows1252()
    {
        QCOMPARE(toAnsi(QString::fromUtf8("300 à 333 € œ")), QByteArray("300 \xe0 333 \x80 \x9c"));
        QCOMPARE(toAnsi(QStringLiteral("100% [x]")), QByteArray("100% [x]"));
    }

    void everyByteRoundTrips()
    {
        // Qt's codec maps all 256 bytes, the five unassigned ones included, to
        // characters that encode back to the same byte.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(toAnsi(text), all);
        QCOMPARE(fromAnsi("\xe0\x80"), QString::fromUtf8("à€"));
    }

    void refusesWhatTheCodePageCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("narrow no-break space") << QString::fromUtf8("1\u202F000") << "U+202F";
        QTest::newRow("cyrillic") << QString::fromUtf8("Процессор") << "U+041F";
        QTest::newRow("emoji") << QString::fromUtf8("CPU 🚀") << "U+1F680";
    }
    void refusesWhatTheCodePageCannotHold()
    {
        QFETCH(QString, text);
        QFETCH(QString, named);
        QVERIFY(!isAnsi(text));
        try {
            toAnsi(text);
            QFAIL("the text was encoded");
        } catch (const EEncodingError &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(named), error.what());
        }
    }
};

QTEST_APPLESS_MAIN(TestAnsi)
#include "tst_ansi.moc"
