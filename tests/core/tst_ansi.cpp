#include "core/Ansi.h"
#include "core/Errors.h"

#include <QStringEncoder>
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

    void everyUnitAsTheConverterEncodesIt()
    {
        // The fast table must agree with Qt's converter on every character:
        // the same byte, or a refusal (a fallback byte would be a refusal too).
        for (char32_t u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u < 0xE000)
                continue;
            const QString text = QString::fromUcs4(&u, 1);
            QStringEncoder encoder("windows-1252");
            const QByteArray expected = encoder.encode(text);
            QCOMPARE(isAnsi(text), !encoder.hasError());
            if (!encoder.hasError())
                QCOMPARE(toAnsi(text), expected);
        }
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
