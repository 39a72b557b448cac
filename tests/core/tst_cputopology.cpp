// The processors' topology read from made-up /sys trees: a hybrid x86 with
// SMT on its performance cores, an arm64 big.LITTLE told apart by capacity, a
// machine with SMT turned off, and one that gives nothing.
#include "core/CpuTopology.h"

#include "../SystemTree.h"

#include <QStringList>
#include <QTest>

using namespace tarvo;

namespace {

// One CPU's topology files; siblings in the kernel's list form.
SystemFiles cpu(int n, const char *siblings, int core, const SystemFiles &more = {})
{
    const QString folder = QStringLiteral("sys/devices/system/cpu/cpu%1/").arg(n);
    SystemFiles files = {{folder + "topology/core_cpus_list", siblings},
                         {folder + "topology/core_id", QByteArray::number(core)},
                         {folder + "topology/physical_package_id", "0\n"}};
    for (const auto &[path, content] : more)
        files.append({folder + path, content});
    return files;
}

// "number:core:siblings:type:capacity:max:current", a CPU a line.
QString describe(const CpuTopology &topology)
{
    const auto number = [](const auto &value) { return value ? QString::number(*value) : QStringLiteral("?"); };
    QStringList lines;
    for (const CpuInfo &c : topology.cpus) {
        QStringList siblings;
        for (int s : c.siblings)
            siblings << QString::number(s);
        const char *type = c.type == CoreType::Performance ? "P" : c.type == CoreType::Efficiency ? "E" : "?";
        lines << QStringLiteral("%1:%2:%3:%4:%5:%6:%7")
                     .arg(c.number)
                     .arg(number(c.core), siblings.join(u','), QLatin1String(type), number(c.capacity),
                          number(c.maxFrequencyKHz), number(c.currentFrequencyKHz));
    }
    return lines.join(u' ');
}

} // namespace

class TestCpuTopology : public QObject {
    Q_OBJECT

private slots:
    void readsTheTree_data()
    {
        QTest::addColumn<SystemFiles>("files");
        QTest::addColumn<QString>("cpus");
        QTest::addColumn<QString>("smt");       // on|off|?
        QTest::addColumn<QString>("siblingOf1"); // the other CPUs on cpu1's core
        QTest::addColumn<bool>("hybrid");

        const SystemFiles freq = {{"cpufreq/cpuinfo_max_freq", "4700000\n"}, {"cpufreq/scaling_cur_freq", "800000\n"}};
        QTest::newRow("hybrid x86, SMT on the performance cores")
            << cpu(0, "0-1\n", 0, freq) + cpu(1, "0-1\n", 0, freq) + cpu(2, "2-3\n", 4) + cpu(3, "2-3\n", 4)
                   + cpu(4, "4\n", 8) + cpu(5, "5\n", 9)
                   + SystemFiles{{"sys/devices/cpu_core/cpus", "0-3\n"}, {"sys/devices/cpu_atom/cpus", "4-5\n"},
                                 {"sys/devices/system/cpu/smt/active", "1\n"}}
            << "0:0:0,1:P:?:4700000:800000 1:0:0,1:P:?:4700000:800000 2:4:2,3:P:?:?:? 3:4:2,3:P:?:?:? "
               "4:8:4:E:?:?:? 5:9:5:E:?:?:?"
            << "on" << "0" << true;
        QTest::newRow("arm64 big.LITTLE, cores told apart by capacity")
            << cpu(0, "0\n", 0, {{"cpu_capacity", "446\n"}}) + cpu(1, "1\n", 1, {{"cpu_capacity", "446\n"}})
                   + cpu(2, "2\n", 0, {{"cpu_capacity", "1024\n"}})
            << "0:0:0:E:446:?:? 1:1:1:E:446:?:? 2:0:2:P:1024:?:?" << "off" << "" << true;
        // thread_siblings_list where core_cpus_list is missing (older kernels);
        // equal capacities say nothing of core types.
        QTest::newRow("SMT turned off")
            << SystemFiles{{"sys/devices/system/cpu/smt/active", "0\n"},
                           {"sys/devices/system/cpu/cpu0/topology/thread_siblings_list", "0\n"},
                           {"sys/devices/system/cpu/cpu0/cpu_capacity", "1024\n"},
                           {"sys/devices/system/cpu/cpu1/topology/thread_siblings_list", "1\n"},
                           {"sys/devices/system/cpu/cpu1/cpu_capacity", "1024\n"}}
            << "0:?:0:?:1024:?:? 1:?:1:?:1024:?:?" << "off" << "" << false;
        QTest::newRow("nothing readable")
            << SystemFiles{{"sys/devices/system/cpu/cpu1/topology/core_cpus_list", "garbage\n"},
                           {"sys/devices/system/cpu/cpu1/cpu_capacity", "12x\n"}}
            << "1:?::?:?:?:?" << "?" << "" << false;
    }
    void readsTheTree()
    {
        QFETCH(SystemFiles, files);
        QFETCH(QString, cpus);
        QFETCH(QString, smt);
        QFETCH(QString, siblingOf1);
        QFETCH(bool, hybrid);
        QTemporaryDir root;
        QVERIFY(plant(root, files));
        const CpuTopology topology = ReadCpuTopology(root.path().toStdString());
        QCOMPARE(describe(topology), cpus);
        QCOMPARE(topology.smtActive ? QString::fromLatin1(*topology.smtActive ? "on" : "off") : QStringLiteral("?"), smt);
        QStringList siblings;
        for (int s : topology.siblingsOf(1))
            siblings << QString::number(s);
        QCOMPARE(siblings.join(u','), siblingOf1);
        QCOMPARE(topology.hybrid(), hybrid);
    }

    void parsesCpuLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cpus"); // "!" when refused
        QTest::newRow("ranges and singles") << "0-2,6,4-4" << "0,1,2,4,6";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("reversed range") << "3-1" << "!";
        QTest::newRow("negative") << "-1" << "!";
        QTest::newRow("trailing text") << "1-2x" << "!";
        QTest::newRow("absurdly long") << "0-2000000000" << "!";
    }
    void parsesCpuLists()
    {
        QFETCH(QString, text);
        QFETCH(QString, cpus);
        const auto parsed = ParseCpuList(text.toStdString());
        QStringList got;
        for (int cpu : parsed.value_or(std::vector<int>()))
            got << QString::number(cpu);
        QCOMPARE(parsed ? got.join(u',') : QStringLiteral("!"), cpus);
    }
};

QTEST_APPLESS_MAIN(TestCpuTopology)
#include "tst_cputopology.moc"
