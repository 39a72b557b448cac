// The multi-core run: each thread must time its kernels on its own clock and
// update its own accumulators. Both faults would go unseen in the figures on
// an idle machine, so the two threads here are made to share one CPU: the
// process clock would then count both threads in each one's kernels, twice
// the processor time the same work takes alone; and each thread must end with
// the accumulators a lone thread ends with, where a shared accumulator would
// carry the other thread's additions.
#include "core/ThreadedRun.h"

#include <QTest>

#include <ctime>

using namespace tarvo;

namespace {

// The floating kernels, whose accumulators are what threads could share,
// then the fastest integer kernel (4) in the other places, to keep it short.
std::array<Kernel, 8> floatingFirst()
{
    std::array<Kernel, 8> set{};
    for (std::size_t k = 0; k < 8; ++k)
        set[k] = k < 4 ? ThreadKernels[4 + k] : ThreadKernels[3];
    return set;
}

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// What a lone thread's accumulators hold after each kernel's five
// repetitions, and the processor time the thread's work takes alone.
std::pair<AccumulatorValues, double> alone()
{
    const double start = threadSeconds();
    ThreadAccumulators a;
    a.sum5 = 0.1f;
    a.product6 = 0.1f;
    a.sum7 = 0.1;
    a.product8 = 0.1;
    for (int repetition = 0; repetition < Repetitions; ++repetition) {
        kernels::ThreadKernel5(a);
        kernels::ThreadKernel6(a);
        kernels::ThreadKernel7(a);
        kernels::ThreadKernel8(a);
        for (int k = 4; k < 8; ++k)
            ThreadKernels[3].repetition();
    }
    return {{a.sum5, a.product6, a.sum7, a.product8}, threadSeconds() - start};
}

} // namespace

class TestThreadedRun : public QObject {
    Q_OBJECT

private slots:
    void threadsSharingOneCpu()
    {
        const std::vector<int> usable = UsableCpus();
        QVERIFY(!usable.empty());
        const std::array<Kernel, 8> set = floatingFirst();
        const ThreadedRun pair = RunThreaded({usable[0], usable[0]}, set);
        QCOMPARE(pair.threads.size(), 2u);

        const auto [expected, lone] = alone();
        QVERIFY(expected.sum7 > 1e10);
        for (const ThreadOutcome &thread : pair.threads) {
            QCOMPARE(thread.cpu, std::optional(usable[0]));
            QCOMPARE(thread.accumulators.sum5, expected.sum5);
            QCOMPARE(thread.accumulators.product6, expected.product6);
            QCOMPARE(thread.accumulators.sum7, expected.sum7);
            QCOMPARE(thread.accumulators.product8, expected.product8);
            QVERIFY(thread.test.scores.indice > 0.0f);
            QVERIFY(thread.test.valid());
            QVERIFY2(thread.processorSeconds < 1.5 * lone,
                     qPrintable(QStringLiteral("%1 s of processor time for the work of %2 s alone")
                                    .arg(thread.processorSeconds)
                                    .arg(lone)));
        }
    }

    void wallTimeShares()
    {
        ThreadedRun run;
        run.threads.resize(2);
        for (ThreadOutcome &thread : run.threads) {
            thread.test.scores = {100.0f, 200.0f, 175.0f};
            thread.processorSeconds = 1.0;
        }
        run.wallSeconds = 1.0;
        MultiCoreScores scores = Combine(run);
        QCOMPARE(scores.sum.indice, 350.0f);
        QCOMPARE(scores.byWall.entier, 200.0f);
        QVERIFY(!scores.disturbed());
        // Half of the wall time went to something else.
        run.wallSeconds = 2.0;
        scores = Combine(run);
        QCOMPARE(scores.sum.flottant, 400.0f);
        QCOMPARE(scores.byWall.indice, 175.0f);
        QVERIFY(scores.disturbed());
    }
};

QTEST_GUILESS_MAIN(TestThreadedRun)
#include "tst_threadedrun.moc"
