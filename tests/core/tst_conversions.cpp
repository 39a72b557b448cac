#include "core/Conversions.h"
#include "core/Errors.h"
#include "core/Ranking.h"

#include <QTest>

#include <cmath>

using namespace tarvo;

class TestConversions : public QObject {
    Q_OBJECT

private slots:
    void strToIntAccepts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "300" << 300;
        QTest::newRow("leading zeros") << "0450" << 450;
        QTest::newRow("plus sign") << "+7" << 7;
        QTest::newRow("minus one") << "-1" << -1;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
    }
    void strToIntAccepts()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(StrToInt(text), value);
    }

    void strToIntRefuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("lone minus") << "-";
        QTest::newRow("lone plus") << "+";
        QTest::newRow("letters") << "abc";
        QTest::newRow("trailing letter") << "300a";
        QTest::newRow("leading space") << " 300";
        QTest::newRow("trailing space") << "300 ";
        QTest::newRow("decimal") << "3.5";
        QTest::newRow("two signs") << "--1";
        QTest::newRow("overflow") << "2147483648";
        QTest::newRow("underflow") << "-2147483649";
        QTest::newRow("huge") << "99999999999999999999999";
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663");
    }
    void strToIntRefuses()
    {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(EConvertError, StrToInt(text));
        try {
            StrToInt(text);
        } catch (const EConvertError &error) {
            // The message names the text, so the user sees what was refused.
            QVERIFY(QString::fromUtf8(error.what()).contains(QStringLiteral("« %1 »").arg(text)));
        }
    }

    void intToStr()
    {
        QCOMPARE(IntToStr(450), QStringLiteral("450"));
        QCOMPARE(IntToStr(-1), QStringLiteral("-1"));
        QCOMPARE(IntToStr(-2147483647 - 1), QStringLiteral("-2147483648"));
    }

    void formatFloat_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("default record") << -1.0f << "-1.00";
        QTest::newRow("zero") << 0.0f << ".00";
        QTest::newRow("below one") << 0.5f << ".50";
        QTest::newRow("exact half away from zero") << 0.125f << ".13";
        QTest::newRow("negative half away from zero") << -0.125f << "-.13";
        QTest::newRow("tiny") << 0.004f << ".00";
        QTest::newRow("negative rounding to zero") << -0.004f << ".00";
        QTest::newRow("carry into integer part") << 99.999f << "100.00";
        QTest::newRow("two decimals") << 123.456f << "123.46";
        QTest::newRow("hundred") << 100.0f << "100.00";
        QTest::newRow("five integer digits") << 12345.5f << "12345.50";
        QTest::newRow("large, no grouping") << 1e9f << "1000000000.00";
        // 2.675 is stored as 2.67499995...: the exact value decides, not its decimal look.
        QTest::newRow("below the half") << 2.675f << "2.67";
        // 1.005 is stored as 1.00499999523: rounds down.
        QTest::newRow("float just below half") << 1.005f << "1.00";
        QTest::newRow("largest float") << 3.40282347e38f << "340282346638528859811704183484516925440.00";
        QTest::newRow("infinity") << INFINITY << "INF";
        QTest::newRow("nan") << NAN << "NAN";
    }
    void formatFloat()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(FormatFloat(value, QLocale::c()), text);
    }

    void formatFloatUsesTheLocaleSeparator()
    {
        const QLocale french(QLocale::French, QLocale::France);
        QCOMPARE(FormatFloat(-1.0f, french), QStringLiteral("-1,00"));
        QCOMPARE(FormatFloat(0.125f, french), QStringLiteral(",13"));
        QCOMPARE(FormatFloat(12345.5f, french), QStringLiteral("12345,50"));
    }

    // The rank's sentence in one number style, the locale's, with a leading zero.
    void rankSentenceInOneStyle_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("index");
        QTest::addColumn<QString>("figure");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("C, below one") << "C" << 0.5 << "0.50"
                                      << "4e sur 4 ; 0.01 fois la médiane des 3 résultats enregistrés (72.00)";
        QTest::newRow("French") << "fr_FR" << 75.5 << "75,50"
                                << "4e sur 4 ; 1,05 fois la médiane des 3 résultats enregistrés (72,00)";
        QTest::newRow("French, negative") << "fr_FR" << -0.5 << "-0,50"
                                          << "4e sur 4 ; -0,01 fois la médiane des 3 résultats enregistrés (72,00)";
    }
    void rankSentenceInOneStyle()
    {
        QFETCH(QString, locale);
        QFETCH(double, index);
        QFETCH(QString, figure);
        QFETCH(QString, sentence);
        QLocale::setDefault(QLocale(locale));
        const QString shown = ResultFigure(float(index));
        const QString text = RankText(Ranking{index, 4, 4, 72.0});
        QLocale::setDefault(QLocale::c());
        QCOMPARE(shown, figure);
        QCOMPARE(text, sentence);
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
