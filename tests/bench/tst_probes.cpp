#include "Probes.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

using namespace tarvo::bench;

namespace {

// Probe sets whose latency probes ran 1000 iterations (100,000 cycles) and
// whose throughput probe ran 100,000: at 1 GHz, 100 us each.
constexpr std::int64_t latencyIterations = 1000;
constexpr std::int64_t throughputIterations = 100000;

ProbeReading reading(double latencyBefore, double throughput, double latencyAfter)
{
    return ReadProbes({latencyBefore, throughput, latencyAfter}, latencyIterations, throughputIterations);
}

} // namespace

class TestProbes : public QObject {
    Q_OBJECT

private slots:
    // Only the throughput probe's time relative to the latency probes' counts,
    // never their times themselves. Times in microseconds; the set after
    // kernel 4 is clean unless its throughput probe says otherwise, and so is
    // the slowest repetition of kernels 3 and 4 unless it says otherwise.
    void classification_data()
    {
        QTest::addColumn<double>("latencyBefore");
        QTest::addColumn<double>("throughput");
        QTest::addColumn<double>("latencyAfter");
        QTest::addColumn<double>("throughputAfterKernel4");
        QTest::addColumn<double>("slowestKernel");
        QTest::addColumn<bool>("disturbed");
        QTest::newRow("one cycle per iteration") << 100.0 << 100.0 << 100.0 << 100.0 << 1.0 << false;
        QTest::newRow("half the clock, same ratio") << 200.0 << 200.0 << 200.0 << 100.0 << 1.0 << false;
        QTest::newRow("just under the threshold") << 100.0 << 114.0 << 100.0 << 100.0 << 1.0 << false;
        QTest::newRow("just over the threshold") << 100.0 << 116.0 << 100.0 << 100.0 << 1.0 << true;
        QTest::newRow("co-runner after kernel 4 only") << 100.0 << 100.0 << 100.0 << 160.0 << 1.0 << true;
        QTest::newRow("co-runner between the probes") << 100.0 << 100.0 << 100.0 << 100.0 << 1.6 << true;
        QTest::newRow("latency probe slowed") << 100.0 << 100.0 << 200.0 << 100.0 << 1.0 << true;
        QTest::newRow("clock never moved") << 100.0 << 0.0 << 100.0 << 100.0 << 1.0 << true;
        QTest::newRow("not a number") << 100.0 << std::numeric_limits<double>::quiet_NaN() << 100.0 << 100.0
                                      << 1.0 << true;
    }
    void classification()
    {
        QFETCH(double, latencyBefore);
        QFETCH(double, throughput);
        QFETCH(double, latencyAfter);
        QFETCH(double, throughputAfterKernel4);
        QFETCH(double, slowestKernel);
        QFETCH(bool, disturbed);
        const ProbeReading before = reading(latencyBefore * 1e-6, throughput * 1e-6, latencyAfter * 1e-6);
        const ProbeReading after = reading(100e-6, throughputAfterKernel4 * 1e-6, 100e-6);
        QCOMPARE(Disturbed(before, after, {1.0, slowestKernel, 1.01}), disturbed);
    }

    // The clock comes from the two latency probes' total time, not from the
    // mean of their two clocks: 200,000 cycles in 400 us.
    void clockFromLatencyProbes()
    {
        const ProbeReading r = reading(100e-6, 250e-6, 300e-6);
        QCOMPARE(r.clockHz, 0.5e9);
        QCOMPARE(r.throughputCycles, 1.25);
    }

    void median_data()
    {
        QTest::addColumn<std::vector<double>>("values");
        QTest::addColumn<double>("median");
        QTest::newRow("none") << std::vector<double>{} << 0.0;
        QTest::newRow("odd, unsorted") << std::vector<double>{5, 1, 4} << 4.0;
        QTest::newRow("even, unsorted") << std::vector<double>{8, 2, 6, 4} << 5.0;
    }
    void median()
    {
        QFETCH(std::vector<double>, values);
        QFETCH(double, median);
        QCOMPARE(Median(values), median);
    }

    void variation_data()
    {
        QTest::addColumn<std::vector<double>>("values");
        QTest::addColumn<double>("percent");
        QTest::newRow("one value") << std::vector<double>{7} << 0.0;
        QTest::newRow("constant") << std::vector<double>{3, 3, 3} << 0.0;
        // Sample deviation (n - 1): sqrt(2) over a mean of 2.
        QTest::newRow("two values") << std::vector<double>{1, 3} << 100.0 * std::sqrt(2.0) / 2.0;
    }
    void variation()
    {
        QFETCH(std::vector<double>, values);
        QFETCH(double, percent);
        QCOMPARE(VariationPercent(values), percent);
    }
};

QTEST_APPLESS_MAIN(TestProbes)
#include "tst_probes.moc"
