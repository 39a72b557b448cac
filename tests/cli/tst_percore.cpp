// Which CPUs --per-core marks as slow, and why, on a hybrid processor this
// machine does not have: each CPU is compared with the median of its own
// kind, so that efficiency cores are not all marked against the performance
// cores, and the reason named is the one the system gives.
#include "cli/PerCore.h"

#include <QTest>

using namespace tarvo;
using namespace tarvo::cli;

namespace {

// Four performance cores (one with a lower maximum frequency) and four
// efficiency cores (one throttled, one barely below the others).
CpuTopology hybrid()
{
    CpuTopology topology;
    for (int n = 0; n < 8; ++n) {
        CpuInfo cpu;
        cpu.number = n;
        cpu.type = n < 4 ? CoreType::Performance : CoreType::Efficiency;
        cpu.maxFrequencyKHz = n < 4 ? (n == 3 ? 4200000 : 5000000) : 3800000;
        topology.cpus.push_back(cpu);
    }
    return topology;
}

std::vector<CoreFigures> figures()
{
    const double indices[] = {2500, 2480, 2520, 2100, 1400, 1420, 1200, 1300};
    std::vector<CoreFigures> all;
    for (int n = 0; n < 8; ++n) {
        CoreFigures f;
        f.cpu = n;
        f.indice = indices[n];
        f.clockHz = n < 4 ? 4.9e9 : 3.7e9;
        f.throttled = n == 6;
        all.push_back(f);
    }
    return all;
}

} // namespace

class TestPerCore : public QObject {
    Q_OBJECT

private slots:
    void marksSlowCpusAmongTheirKind_data()
    {
        QTest::addColumn<int>("cpu");
        QTest::addColumn<QString>("reason"); // empty: not marked
        QTest::newRow("performance core at its kind's pace") << 0 << "";
        QTest::newRow("lower maximum frequency") << 3 << "fréquence maximale plus basse (4.20 GHz contre 5.00 GHz)";
        QTest::newRow("efficiency core, far below the performance cores") << 4 << "";
        QTest::newRow("throttled") << 6 << "limitation thermique";
        QTest::newRow("4 % below its kind") << 7 << "";
    }
    void marksSlowCpusAmongTheirKind()
    {
        QFETCH(int, cpu);
        QFETCH(QString, reason);
        const std::vector<CoreFigures> all = figures();
        const QStringList reasons = SlowReasons(all[std::size_t(cpu)], all, hybrid());
        if (reason.isEmpty())
            QVERIFY2(reasons.isEmpty(), qPrintable(reasons.join(" ; ")));
        else
            QVERIFY2(reasons.join(" ; ").contains(reason), qPrintable(reasons.join(" ; ")));
    }

    // Nothing the system says explains it.
    void unknownCause()
    {
        std::vector<CoreFigures> all = figures();
        all[1].indice = 2000;
        QCOMPARE(SlowReasons(all[1], all, hybrid()), QStringList{QStringLiteral("cause inconnue")});
    }
};

QTEST_GUILESS_MAIN(TestPerCore)
#include "tst_percore.moc"
