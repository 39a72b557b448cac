#include "core/Errors.h"
#include "core/KernelReplay.h"
#include "core/Kernels.h"
#include "core/SpeedTest.h"

#include "../FlushToZero.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace tarvo;

Q_DECLARE_METATYPE(tarvo::Kernel)

// QCOMPARE on floats forgives a relative error of 1e-5; these must be equal.
#define COMPARE_EXACTLY(actual, expected)                                                          \
    QVERIFY2((actual) == (expected), qPrintable(QStringLiteral("%1 instead of %2")                \
                                                    .arg(double(actual), 0, 'g', 17)              \
                                                    .arg(double(expected), 0, 'g', 17)))

namespace {

using Results = std::array<float, 8>;

void nothing()
{
}

// A kernel that takes no time, with the operation count of kernel `number`.
Kernel instant(int number)
{
    return {nothing, nothing, Kernels[number - 1].operationCount, 0};
}

// A millisecond clock whose successive repetitions last the given ticks.
Clock fedClock(const std::vector<std::int32_t> &ticks)
{
    auto readings = std::make_shared<std::vector<std::int64_t>>();
    std::int64_t now = 1000;
    for (std::int32_t t : ticks) {
        readings->push_back(now);
        now += t;
        readings->push_back(now);
        now += 7; // time between repetitions is not counted
    }
    auto next = std::make_shared<std::size_t>(0);
    return {[readings, next] { return readings->at((*next)++); }, 1000};
}

} // namespace

class TestSpeedTest : public QObject {
    Q_OBJECT

private slots:
    void fedTicks_data()
    {
        QTest::addColumn<int>("kernel");
        QTest::addColumn<float>("result");
        QTest::newRow("kernel 1") << 1 << 128.0f;
        QTest::newRow("kernel 2") << 2 << 32.0f;
        QTest::newRow("kernel 3") << 3 << 32.0f;
        QTest::newRow("kernel 4") << 4 << 32.0f;
        QTest::newRow("kernel 5") << 5 << 128.0f;
        QTest::newRow("kernel 8") << 8 << 128.0f;
    }
    void fedTicks()
    {
        QFETCH(int, kernel);
        QFETCH(float, result);
        const KernelTiming timing = TimedRun(kernel, instant(kernel), fedClock({500, 500, 500, 500, 500}));
        COMPARE_EXACTLY(timing.averageTime, 0.5f);
        COMPARE_EXACTLY(timing.result, result);
    }

    void repetitionsAveraged_data()
    {
        QTest::addColumn<std::vector<std::int32_t>>("ticks");
        QTest::addColumn<float>("average");
        // One repetition during which the clock did not move counts as 0 s.
        QTest::newRow("one at zero") << std::vector<std::int32_t>{0, 500, 500, 500, 500} << 0.4f;
        QTest::newRow("uneven") << std::vector<std::int32_t>{2000, 1000, 500, 250, 250} << 0.8f;
        QTest::newRow("one second each") << std::vector<std::int32_t>{1000, 1000, 1000, 1000, 1000} << 1.0f;
    }
    void repetitionsAveraged()
    {
        QFETCH(std::vector<std::int32_t>, ticks);
        QFETCH(float, average);
        const KernelTiming timing = TimedRun(2, instant(2), fedClock(ticks));
        COMPARE_EXACTLY(timing.averageTime, average);
        // The division and scaling are carried in long double, then rounded once.
        const auto expected = static_cast<float>(((1.6e7L / timing.averageTime) * 0.001L) * 0.001L);
        COMPARE_EXACTLY(timing.result, expected);
        // Each repetition's readings are kept as the clock gave them.
        for (std::size_t r = 0; r < ticks.size(); ++r)
            QCOMPARE(timing.readings[r].end - timing.readings[r].start, std::int64_t(ticks[r]));
        QCOMPARE(timing.readings[1].start - timing.readings[0].end, std::int64_t(7));
    }

    // The clock's units are turned into whole milliseconds, to the nearest.
    void elapsedTicks_data()
    {
        QTest::addColumn<qint64>("perSecond");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<int>("ticks");
        QTest::newRow("microseconds, none") << qint64(1000000) << qint64(0) << 0;
        QTest::newRow("microseconds, below half") << qint64(1000000) << qint64(499) << 0;
        QTest::newRow("microseconds, half") << qint64(1000000) << qint64(500) << 1;
        QTest::newRow("microseconds, 4.4 ms") << qint64(1000000) << qint64(4400) << 4;
        QTest::newRow("microseconds, 4.6 ms") << qint64(1000000) << qint64(4600) << 5;
        QTest::newRow("microseconds, 140 s") << qint64(1000000) << qint64(140000000) << 140000;
        QTest::newRow("milliseconds") << qint64(1000) << qint64(500) << 500;
        QTest::newRow("hundredths") << qint64(100) << qint64(3) << 30;
    }
    void elapsedTicks()
    {
        QFETCH(qint64, perSecond);
        QFETCH(qint64, elapsed);
        QFETCH(int, ticks);
        const Clock clock{[] { return std::int64_t(0); }, perSecond};
        const std::int64_t start = 123456789;
        QCOMPARE(ElapsedTicks(clock, start, start + elapsed), ticks);
    }

    // With five repetitions at 0 ms the average time is 0: the run stops with a
    // message naming the kernel rather than dividing by it.
    void zeroTimeStops()
    {
        try {
            TimedRun(3, instant(3), fedClock({0, 0, 0, 0, 0}));
            QFAIL("no exception");
        } catch (const Exception &error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(QStringLiteral("n° 3")), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("interrompu")), qPrintable(message));
        }
    }

    // long double is 80 bits wide on x86-64 and 128 on arm64, yet both give
    // the same floats: every average is the float nearest to the time sum / 5
    // and every kernel result the float nearest to the operation count / the
    // average / 10^6, as no rounding of an intermediate comes near enough to a
    // tie between two floats to tip it. A plain double computation, whose one
    // extra rounding is as harmless, predicts them on both.
    void sameFloatsWhateverTheLongDouble()
    {
        std::mt19937 random(32);
        std::uniform_int_distribution<std::int32_t> anyTicks(0, 200000);
        for (int n = 0; n < 100000; ++n) {
            std::vector<std::int32_t> ticks(5, n + 1); // 1 ms to 50 s, then uneven runs
            if (n >= 50000)
                for (std::int32_t &t : ticks)
                    t = anyTicks(random);
            float sum = 0.0f;
            for (std::int32_t t : ticks)
                sum = float(double(float(t / 1000.0)) + sum);
            const float average = float(sum / 5.0);
            const int kernel = 1 + n % 2; // operation counts 6.4e7 and 1.6e7
            const KernelTiming timing = TimedRun(kernel, instant(kernel), fedClock(ticks));
            const float result = float(double(Kernels[kernel - 1].operationCount) / 1e6 / average);
            QVERIFY2(timing.averageTime == average && timing.result == result,
                     qPrintable(QStringLiteral("ticks %1 %2 %3 %4 %5: %6 s, %7 MCPS instead of %8 s, %9 MCPS")
                                    .arg(ticks[0]).arg(ticks[1]).arg(ticks[2]).arg(ticks[3]).arg(ticks[4])
                                    .arg(double(timing.averageTime), 0, 'g', 9).arg(double(timing.result), 0, 'g', 9)
                                    .arg(double(average), 0, 'g', 9).arg(double(result), 0, 'g', 9)));
        }
    }

    void oneTickIsEnough()
    {
        const KernelTiming timing = TimedRun(1, instant(1), fedClock({0, 0, 0, 1, 0}));
        QVERIFY(timing.averageTime > 0.0f);
        QVERIFY(std::isfinite(timing.result));
    }

    void scores_data()
    {
        QTest::addColumn<Results>("results");
        QTest::addColumn<float>("entier");
        QTest::addColumn<float>("flottant");
        QTest::addColumn<float>("indice");
        QTest::newRow("fed ticks") << Results{128, 32, 32, 32, 10, 10, 10, 10} << 56.0f
                                   << 10.0f << 21.5f;
        // Summed in float, 2^24 + 1 + 1 would stay 2^24.
        QTest::newRow("sum in extended precision")
            << Results{16777216.0f, 1, 1, 0, 16777216.0f, 1, 1, 0} << 4194304.5f << 4194304.5f
            << 4194304.5f;
        QTest::newRow("before any kernel") << Results{} << 0.0f << 0.0f << 0.0f;
    }
    void scores()
    {
        QFETCH(Results, results);
        QFETCH(float, entier);
        QFETCH(float, flottant);
        QFETCH(float, indice);
        const Scores s = Score(results);
        COMPARE_EXACTLY(s.entier, entier);
        COMPARE_EXACTLY(s.flottant, flottant);
        COMPARE_EXACTLY(s.indice, indice);
    }

    // The whole test with the real kernels and fed ticks: each kernel is read
    // twice per repetition, in order, and nothing else happens between the
    // two readings of a repetition. The floating-point environment seen at
    // every reading is the one the kernels run in: gradual underflow, so
    // kernels 6 and 8 really compute their subnormal values.
    void wholeTest()
    {
        std::vector<int> after;
        int readings = 0;
        bool flushing = false;
        std::int64_t now = 0;
        const Clock clock{[&] {
                              ++readings;
                              flushing = flushing || FlushingToZero();
                              // 500 ms per repetition, 3 ms between them.
                              now += (readings % 2 == 0) ? 500 : 3;
                              return now;
                          },
                          1000};
        const TestRun run = RunSpeedTest(clock, [&](int k) {
            QCOMPARE(readings, 10 * k);
            after.push_back(k);
        });
        QCOMPARE(readings, 80);
        QCOMPARE(after, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QVERIFY2(!flushing, "flush-to-zero or denormals-are-zero is on while the kernels run");
        for (const KernelTiming &k : run.kernels)
            COMPARE_EXACTLY(k.averageTime, 0.5f);
        COMPARE_EXACTLY(run.scores.entier, 56.0f);
        COMPARE_EXACTLY(run.scores.flottant, 128.0f);
        COMPARE_EXACTLY(run.scores.indice, 110.0f);
        // The real kernels computed exactly what the build replayed, and a
        // replay here gives the same bits again.
        QVERIFY(run.valid());
        for (int k = 5; k <= 8; ++k) {
            const KernelCheck check = run.kernels[k - 1].check.value();
            QVERIFY2(check.valid, qPrintable(QStringLiteral("kernel %1: %2 instead of %3").arg(k)
                                                 .arg(check.outcome, 0, 'a').arg(check.expected, 0, 'a')));
            QCOMPARE(std::bit_cast<std::uint64_t>(ReplayKernel(k, Repetitions)),
                     std::bit_cast<std::uint64_t>(check.expected));
        }
        QVERIFY(!run.kernels[0].check);
    }

    // One kernel of each family ends on a wrong value: the run is invalid and
    // says which kernel, yet all eight ran and the others stay valid.
    void wrongOutcomeMakesTheRunInvalid_data()
    {
        QTest::addColumn<int>("kernel");
        QTest::addColumn<Kernel>("wrong");
        const auto wrong = [](int k, double (*outcome)()) {
            Kernel kernel = instant(k);
            kernel.outcome = outcome;
            kernel.expected = Kernels[k - 1].expected;
            return kernel;
        };
        // The real kernel 5, run once more than the check expects.
        Kernel extra = Kernels[4];
        extra.start = [] {
            kernels::StartKernel5();
            kernels::Kernel5();
        };
        QTest::newRow("float sum, a repetition too many") << 5 << extra;
        QTest::newRow("float product not zero") << 6 << wrong(6, [] { return double(1e-45f); });
        QTest::newRow("double sum one ulp off")
            << 7 << wrong(7, [] { return std::nextafter(Kernels[6].expected, 0.0); });
        QTest::newRow("double product, zero of the wrong sign") << 8 << wrong(8, [] { return -0.0; });
    }
    void wrongOutcomeMakesTheRunInvalid()
    {
        QFETCH(int, kernel);
        QFETCH(Kernel, wrong);
        std::array<Kernel, 8> set;
        for (int k = 1; k <= 8; ++k) {
            set[k - 1] = instant(k);
            set[k - 1].outcome = [] { return 0.0; }; // right: expected stays 0
        }
        set[kernel - 1] = wrong;
        int ran = 0;
        const TestRun run = RunSpeedTest(fedClock(std::vector<std::int32_t>(40, 100)), [&](int) { ++ran; }, set);
        QCOMPARE(ran, 8);
        QVERIFY(!run.valid());
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(run.kernels[k - 1].check->valid, k != kernel);
        QVERIFY(run.scores.indice > 0.0f);
    }

    // Subnormal results are kept in this process, as kernels 6 and 8 need.
    void gradualUnderflow()
    {
        volatile float tiny = 1e-38f;
        volatile float tenth = 0.1f;
        const float product = tiny * tenth;
        QVERIFY(product != 0.0f);
        QCOMPARE(std::fpclassify(product), FP_SUBNORMAL);
        volatile double tinyDouble = 1e-308;
        const double productDouble = tinyDouble * 0.1;
        QCOMPARE(std::fpclassify(productDouble), FP_SUBNORMAL);
    }
};

QTEST_GUILESS_MAIN(TestSpeedTest)
#include "tst_speedtest.moc"
