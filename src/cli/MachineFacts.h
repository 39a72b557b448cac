// Facts about the machine that make results hard to compare, read from the
// system under a root folder ("/" on a machine) so that tests can give made-up
// trees: whether it is a virtual machine and which, whether turbo or boost is
// allowed, how busy a CPU was between two readings of /proc/stat, and an
// identity of the machine that two result documents can be compared by.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo::cli {

struct VirtualMachine {
    bool present = false;
    QString name; // empty when the system does not name it
};

// The hypervisor's vendor the processor reports (x86 cpuid leaf 0x40000000),
// nothing elsewhere or on bare metal.
std::optional<std::string> CpuidHypervisorVendor();

// Unknown when nothing says either way: the x86 hypervisor flag of
// /proc/cpuinfo, /sys/hypervisor/type, the firmware's names in
// /sys/class/dmi/id and the cpuid vendor given.
std::optional<VirtualMachine> ReadVirtualMachine(const std::string &root,
                                                 const std::optional<std::string> &cpuidVendor);

// intel_pstate/no_turbo or cpufreq/boost.
std::optional<bool> ReadTurboAllowed(const std::string &root);

// One CPU's time counters from /proc/stat, in the kernel's ticks.
struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
    std::optional<std::uint64_t> steal; // given to others by a virtual machine's host
};
std::optional<CpuTimes> ReadCpuTimes(const std::string &root, int cpu);
// The same counters summed over every CPU.
std::optional<CpuTimes> ReadAllCpuTimes(const std::string &root);

// The share of the time between two readings the CPU was busy, in percent.
std::optional<double> BusyPercent(const std::optional<CpuTimes> &before, const std::optional<CpuTimes> &after);

// A hash of facts that stay with a machine (processor identification, CPU
// and memory counts, firmware names), hexadecimal; not the model name alone.
QString MachineIdentity(const std::string &root = "/");

} // namespace tarvo::cli
