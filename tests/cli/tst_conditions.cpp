// The machine's conditions read from a made-up /proc and /sys: each one read
// where the system gives it, unknown where it does not, and the warnings and
// changes drawn from them.
#include "cli/Conditions.h"

#include "../SystemTree.h"

#include <QTest>

using namespace tarvo::cli;

namespace {

using Files = SystemFiles;

const QString cpu0 = QStringLiteral("sys/devices/system/cpu/cpu0/");
const QString cpu1 = QStringLiteral("sys/devices/system/cpu/cpu1/");
const QString supplies = QStringLiteral("sys/class/power_supply/");

} // namespace

class TestConditions : public QObject {
    Q_OBJECT

private slots:
    void readsWhatTheSystemGives_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("cpuid");    // the hypervisor vendor cpuid gives; empty: none
        QTest::addColumn<QString>("read");     // processor|cpus|governor|power|load|throttle|vm|smt|turbo
        QTest::addColumn<QString>("warnings"); // the start of each warning's reason

        QTest::newRow("nothing readable") << Files{} << "" << "?|?|?|?|?|?|?|?|?" << "";
        QTest::newRow("a quiet machine on mains")
            << Files{{"proc/cpuinfo", "processor\t: 0\nmodel name\t:  Proc   X 3000 \nprocessor\t: 1\n"},
                     {"sys/devices/system/cpu/online", "0-2,5\n"},
                     {cpu0 + "cpufreq/scaling_governor", "performance\n"},
                     {cpu1 + "cpufreq/scaling_governor", "performance\n"},
                     {"proc/loadavg", "0.52 0.40 0.30 1/123 4567\n"},
                     {cpu0 + "thermal_throttle/core_throttle_count", "3\n"},
                     {cpu0 + "thermal_throttle/package_throttle_count", "4\n"},
                     {supplies + "AC/type", "Mains\n"}, {supplies + "AC/online", "1\n"},
                     {supplies + "BAT0/type", "Battery\n"}, {supplies + "BAT0/status", "Charging\n"}}
            << "" << "Proc X 3000|4|performance|secteur|0.52|7|?|?|?" << "";
        QTest::newRow("powersave, battery, busy")
            << Files{{cpu0 + "cpufreq/scaling_governor", "powersave\n"},
                     {cpu1 + "cpufreq/scaling_governor", "schedutil\n"},
                     {"proc/loadavg", "2.50 1.00 1.00 2/100 1\n"},
                     {supplies + "AC/type", "Mains\n"}, {supplies + "AC/online", "0\n"},
                     {supplies + "BAT0/type", "Battery\n"}, {supplies + "BAT0/status", "Discharging\n"},
                     // A mouse's battery says nothing of the machine.
                     {supplies + "mouse/type", "Battery\n"}, {supplies + "mouse/scope", "Device\n"},
                     {supplies + "mouse/status", "Charging\n"}}
            << "" << "?|?|powersave, schedutil|batterie|2.5|?|?|?|?"
            << "le gouverneur de fréquence est « powersave »|la machine fonctionne sur batterie|la charge moyenne est de";
        QTest::newRow("a device's battery alone") << Files{{supplies + "mouse/type", "Battery\n"},
                                                           {supplies + "mouse/scope", "Device\n"},
                                                           {supplies + "mouse/status", "Discharging\n"}}
                                                  << "" << "?|?|?|?|?|?|?|?|?" << "";
        QTest::newRow("a virtual machine its firmware names, SMT off, no turbo")
            << Files{{"proc/cpuinfo", "processor\t: 0\nflags\t\t: fpu sse2 hypervisor lahf_lm\n"},
                     {"sys/class/dmi/id/sys_vendor", "QEMU\n"},
                     {"sys/devices/system/cpu/smt/active", "0\n"},
                     {"sys/devices/system/cpu/intel_pstate/no_turbo", "1\n"}}
            << "" << "?|?|?|?|?|?|QEMU|non|non" << "le test tourne dans une machine virtuelle (QEMU)";
        QTest::newRow("a hypervisor only the processor names")
            << Files{{"proc/cpuinfo", "flags\t\t: fpu hypervisor\n"}} << "KVMKVMKVM"
            << "?|?|?|?|?|?|KVM|?|?" << "le test tourne dans une machine virtuelle (KVM)";
        QTest::newRow("bare metal, SMT on, boost allowed")
            << Files{{"proc/cpuinfo", "flags\t\t: fpu sse2 ht\n"},
                     {"sys/devices/system/cpu/smt/active", "1\n"},
                     {"sys/devices/system/cpu/cpufreq/boost", "1\n"}}
            << "" << "?|?|?|?|?|?|non|oui|oui" << "";
    }
    void readsWhatTheSystemGives()
    {
        QFETCH(Files, files);
        QFETCH(QString, cpuid);
        QFETCH(QString, read);
        QFETCH(QString, warnings);
        QTemporaryDir root;
        QVERIFY(plant(root, files));
        const Conditions c = ReadConditions(root.path().toStdString(),
                                            cpuid.isEmpty() ? std::nullopt : std::optional(cpuid.toStdString()));
        const auto yesNo = [](const std::optional<bool> &b) {
            return b ? QString::fromLatin1(*b ? "oui" : "non") : QStringLiteral("?");
        };
        const QString unknown = QStringLiteral("?");
        QString power = unknown;
        if (c.power)
            power = *c.power == Power::Battery ? QStringLiteral("batterie") : QStringLiteral("secteur");
        const QStringList got = {c.processor.value_or(unknown), c.cpus ? QString::number(*c.cpus) : unknown,
                                 c.governor.value_or(unknown), power,
                                 c.load ? QString::number((*c.load)[0]) : unknown,
                                 c.throttleCount ? QString::number(*c.throttleCount) : unknown,
                                 c.virtualMachine ? (c.virtualMachine->present ? c.virtualMachine->name : "non") : unknown,
                                 yesNo(c.smt), yesNo(c.turbo)};
        QCOMPARE(got.join(u'|'), read);

        const QStringList said = Warnings(c, {});
        const QStringList expected = warnings.isEmpty() ? QStringList() : warnings.split(u'|');
        QCOMPARE(said.size(), expected.size());
        for (qsizetype i = 0; i < said.size(); ++i)
            QVERIFY2(said[i].startsWith(QStringLiteral("Attention : ") + expected[i]), qPrintable(said[i]));
    }

    // During the runs: throttling counted, a clock that moves more than 10 %.
    void warnsOfWhatMovedDuringTheRuns_data()
    {
        QTest::addColumn<double>("secondClock"); // GHz; the first run keeps 3.0
        QTest::addColumn<int>("throttled");      // counter increase during the second run
        QTest::addColumn<int>("warnings");
        QTest::newRow("steady") << 3.2 << 0 << 0;
        QTest::newRow("clock moved 11 %") << 3.33 << 0 << 1;
        QTest::newRow("throttled") << 3.0 << 2 << 1;
        QTest::newRow("both") << 2.5 << 1 << 2;
    }
    void warnsOfWhatMovedDuringTheRuns()
    {
        QFETCH(double, secondClock);
        QFETCH(int, throttled);
        QFETCH(int, warnings);
        const std::vector<RunConditions> runs = {
            {3.0e9, 3.0e9, 5, 5}, {3.0e9, secondClock * 1e9, 5, std::uint64_t(5 + throttled)}};
        QCOMPARE(Warnings(Conditions{}, runs).size(), warnings);
        QCOMPARE(Changes(Conditions{}, Conditions{}, runs).size(), warnings);
        QCOMPARE(*ThrottleEvents(runs), std::uint64_t(throttled));
        // One unreadable counter makes the count unknown, never zero.
        std::vector<RunConditions> unread = runs;
        unread[1].throttleAfter.reset();
        QVERIFY(!ThrottleEvents(unread));
    }

    // Each run is labelled: a busy SMT sibling, read from /proc/stat around
    // the run, and an efficiency core.
    void labelsRunsOnSharedOrSlowCores()
    {
        QTemporaryDir root;
        const std::string base = root.path().toStdString();
        QVERIFY(plant(root, {{"proc/stat", "cpu  9 9 9 9\ncpu0 1 0 0 99 0 0 0 0\ncpu1 100 0 0 100 0 0 0 0\n"}}));
        const auto before = ReadCpuTimes(base, 1);
        QVERIFY(plant(root, {{"proc/stat", "cpu0 1 0 0 99 0 0 0 0\ncpu1 150 0 10 140 0 0 0 0\n"}}));
        const auto busy = BusyPercent(before, ReadCpuTimes(base, 1));
        QCOMPARE(busy.value_or(-1), 60.0);
        QVERIFY(!BusyPercent(before, ReadCpuTimes(base, 7)));

        std::vector<RunConditions> runs(3);
        runs[0].coreType = tarvo::CoreType::Efficiency;
        runs[1].siblingBusyPercent = busy;
        runs[2].siblingBusyPercent = 5.0; // idle enough
        const QStringList said = Warnings(Conditions{}, runs);
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[0].contains(QStringLiteral("occupé (essai 2 à 60.00 %)")), qPrintable(said[0]));
        QVERIFY2(said[1].contains(QStringLiteral("cœur d'efficacité (essai 1)")), qPrintable(said[1]));
    }
};

QTEST_APPLESS_MAIN(TestConditions)
#include "tst_conditions.moc"
