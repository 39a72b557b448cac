// The benchmarks' measuring API: the spread of the raw readings, the readings
// taken in turn round by round, and a failed reading ending the measurement.
#include "Measure.h"

#include <QTest>

#include <string>
#include <vector>

using namespace tarvo::bench;

class TestMeasure : public QObject {
    Q_OBJECT

private slots:
    void statsOfTheRawReadings_data()
    {
        QTest::addColumn<std::vector<double>>("readings");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("cv");
        QTest::newRow("none") << std::vector<double>{} << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("odd, unsorted") << std::vector<double>{30, 10, 20} << 20.0 << 10.0 << 30.0 << 50.0;
        QTest::newRow("even: mean of the middle two") << std::vector<double>{4, 1, 3, 2} << 2.5 << 1.0 << 4.0
                                                      << 51.63977794943222;
    }
    void statsOfTheRawReadings()
    {
        QFETCH(std::vector<double>, readings);
        const Stats s = StatsOf(readings);
        QCOMPARE(s.count, readings.size());
        QFETCH(double, median);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, cv);
        QCOMPARE(s.median, median);
        QCOMPARE(s.min, min);
        QCOMPARE(s.max, max);
        QVERIFY(qAbs(s.cvPercent - cv) < 1e-9);
    }

    void readingsInTurnUntilOneFails()
    {
        Bench bench(3);
        std::string order;
        int b = 0;
        bench.InTurn({{"a", [&] { order += 'a'; return 1.0; }},
                      {"b", [&] { order += 'b'; return ++b == 2 ? Failed : double(b); }}});
        QCOMPARE(order, std::string("abab"));
        QVERIFY(bench.failed());
        QCOMPARE(bench["a"].readings, (std::vector<double>{1, 1}));
        QCOMPARE(bench["b"].readings, (std::vector<double>{1}));
        QCOMPARE(bench["a"].spread(1), std::string("1.0 (1.0-1.0)"));
        QCOMPARE(Bench(2).Run("c", [] { return 5.0; }).readings.size(), std::size_t(2));
    }
};

QTEST_APPLESS_MAIN(TestMeasure)
#include "tst_measure.moc"
