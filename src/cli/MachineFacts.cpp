#include "cli/MachineFacts.h"

#include "core/CpuTopology.h"

#include <QCryptographicHash>

#include <array>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace tarvo::cli {

namespace fs = std::filesystem;

namespace {

// The values of /proc/cpuinfo's first lines with these names, "name: value".
std::vector<std::string> cpuinfoValues(const fs::path &root, std::initializer_list<const char *> names)
{
    std::vector<std::string> values(names.size());
    std::ifstream cpuinfo(root / "proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.pop_back();
        std::size_t i = 0;
        for (const char *name : names) {
            if (key == name && values[i].empty())
                values[i] = line.substr(std::min(line.size(), colon + 2));
            ++i;
        }
    }
    return values;
}

// Names the firmware or the hypervisor gives, to the name shown.
QString knownHypervisor(const std::string &text)
{
    static const std::array<std::pair<const char *, const char *>, 12> names = {{
        {"KVMKVMKVM", "KVM"}, {"TCGTCGTCGTCG", "QEMU"}, {"QEMU", "QEMU"}, {"KVM", "KVM"},
        {"VMware", "VMware"}, {"VBox", "VirtualBox"}, {"VirtualBox", "VirtualBox"},
        {"innotek", "VirtualBox"}, {"Microsoft Hv", "Hyper-V"}, {"XenVMM", "Xen"}, {"Xen", "Xen"},
        {"bhyve", "bhyve"},
    }};
    for (const auto &[mark, name] : names)
        if (text.find(mark) != std::string::npos)
            return QString::fromLatin1(name);
    return {};
}

} // namespace

std::optional<std::string> CpuidHypervisorVendor()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // Leaf 1's ECX bit 31 says a hypervisor is present; leaf 0x40000000 names it.
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & (1u << 31)))
        return std::nullopt;
    __cpuid(0x40000000, eax, ebx, ecx, edx);
    char vendor[13] = {};
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &ecx, 4);
    std::memcpy(vendor + 8, &edx, 4);
    return std::string(vendor);
#else
    return std::nullopt;
#endif
}

std::optional<VirtualMachine> ReadVirtualMachine(const std::string &root, const std::optional<std::string> &cpuidVendor)
{
    const fs::path base(root);
    QString name = cpuidVendor ? knownHypervisor(*cpuidVendor) : QString();
    if (const auto xen = ReadSystemFile(base / "sys/hypervisor/type"); name.isEmpty() && xen && !xen->empty())
        name = knownHypervisor(*xen).isEmpty() ? QString::fromStdString(*xen) : knownHypervisor(*xen);
    for (const char *file : {"sys_vendor", "product_name", "board_vendor", "bios_vendor"})
        if (const auto text = ReadSystemFile(base / "sys/class/dmi/id" / file); name.isEmpty() && text)
            name = knownHypervisor(*text);
    const std::vector<std::string> flags = cpuinfoValues(base, {"flags"});
    const bool flagged = (" " + flags[0] + " ").find(" hypervisor ") != std::string::npos;
    if (flagged || !name.isEmpty() || cpuidVendor)
        return VirtualMachine{true, name};
    // Only x86 has the flag: its absence there is an answer, elsewhere not.
    if (!flags[0].empty())
        return VirtualMachine{false, {}};
    return std::nullopt;
}

std::optional<bool> ReadTurboAllowed(const std::string &root)
{
    const fs::path cpu = fs::path(root) / "sys/devices/system/cpu";
    if (const auto noTurbo = ReadSystemNumber(cpu / "intel_pstate/no_turbo"))
        return *noTurbo == 0;
    if (const auto boost = ReadSystemNumber(cpu / "cpufreq/boost"))
        return *boost != 0;
    return std::nullopt;
}

namespace {

// The counters of /proc/stat's line with this label ("cpu" sums every CPU).
std::optional<CpuTimes> readCpuTimes(const std::string &root, const std::string &name)
{
    std::ifstream stat(fs::path(root) / "proc/stat");
    std::string line;
    while (std::getline(stat, line)) {
        std::istringstream fields(line);
        std::string label;
        fields >> label;
        if (label != name)
            continue;
        // user nice system idle iowait irq softirq steal: idle and iowait are idle.
        std::vector<std::uint64_t> ticks;
        for (std::uint64_t value = 0; ticks.size() < 8 && fields >> value;)
            ticks.push_back(value);
        if (ticks.size() < 4)
            return std::nullopt;
        CpuTimes times;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            times.total += ticks[i];
            if (i != 3 && i != 4)
                times.busy += ticks[i];
        }
        if (ticks.size() == 8)
            times.steal = ticks[7];
        return times;
    }
    return std::nullopt;
}

} // namespace

std::optional<CpuTimes> ReadCpuTimes(const std::string &root, int cpu)
{
    return readCpuTimes(root, "cpu" + std::to_string(cpu));
}

std::optional<CpuTimes> ReadAllCpuTimes(const std::string &root)
{
    return readCpuTimes(root, "cpu");
}

std::optional<double> BusyPercent(const std::optional<CpuTimes> &before, const std::optional<CpuTimes> &after)
{
    if (!before || !after || after->total <= before->total || after->busy < before->busy)
        return std::nullopt;
    return 100.0 * double(after->busy - before->busy) / double(after->total - before->total);
}

QString MachineIdentity(const std::string &root)
{
    const fs::path base(root);
    QByteArray facts;
    for (const std::string &value :
         cpuinfoValues(base, {"vendor_id", "cpu family", "model", "model name", "stepping", "CPU implementer",
                              "CPU architecture", "CPU variant", "CPU part", "CPU revision"}))
        facts += QByteArray::fromStdString(value) + '\n';
    facts += QByteArray::fromStdString(ReadSystemFile(base / "sys/devices/system/cpu/possible").value_or("")) + '\n';
    // Memory in whole gibibytes: the kernel's own reservations move the kB figure.
    std::ifstream meminfo(base / "proc/meminfo");
    std::string label;
    std::uint64_t kilobytes = 0;
    if (meminfo >> label >> kilobytes && label == "MemTotal:")
        facts += QByteArray::number(qulonglong((kilobytes + (1u << 19)) >> 20)) + " GiB\n";
    for (const char *file : {"sys_vendor", "product_name", "board_vendor", "board_name"})
        facts += QByteArray::fromStdString(ReadSystemFile(base / "sys/class/dmi/id" / file).value_or("")) + '\n';
    return QString::fromLatin1(QCryptographicHash::hash(facts, QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace tarvo::cli
