// The processors as the system describes them under /sys: for each logical
// CPU its package, core, cluster and SMT siblings, its capacity (arm64), its
// maximum and current frequency and its thermal throttling counters; and, on
// hybrid x86 processors, which CPUs are performance and which efficiency
// cores. Everything is read under a root folder ("/" on a machine) so that
// tests can give made-up trees; what the system does not give stays unknown.
// The conditions of a run (src/cli/Conditions) and the per-core modes read
// the machine through this one unit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

enum class CoreType { Unknown, Performance, Efficiency };

// The type's name in documents written for programs: "performance", "efficiency", "unknown".
const char *CoreTypeKey(CoreType type);

struct CpuInfo {
    int number = 0; // cpuN
    std::optional<int> package;
    std::optional<int> core;
    std::optional<int> cluster;
    // The CPUs sharing this one's core, itself included; empty when unknown.
    std::vector<int> siblings;
    std::optional<int> capacity; // cpu_capacity: 1024 for the fastest cores
    std::optional<std::int64_t> maxFrequencyKHz;     // cpufreq/cpuinfo_max_freq
    std::optional<std::int64_t> currentFrequencyKHz; // cpufreq/scaling_cur_freq
    std::optional<std::uint64_t> coreThrottleCount;
    std::optional<std::uint64_t> packageThrottleCount;
    // From the hybrid lists on x86, from differing capacities elsewhere.
    CoreType type = CoreType::Unknown;
};

struct CpuTopology {
    std::vector<CpuInfo> cpus; // by number
    std::vector<int> online;   // empty when unknown
    // /sys/devices/cpu_core/cpus and cpu_atom/cpus; empty when absent.
    std::vector<int> performanceCpus;
    std::vector<int> efficiencyCpus;
    // SMT: smt/active when the system gives it, else whether some CPU has a
    // sibling; unknown when neither can be read.
    std::optional<bool> smtActive;

    const CpuInfo *find(int number) const;
    // The other CPUs on `number`'s core.
    std::vector<int> siblingsOf(int number) const;
    // True when the processor has two kinds of cores.
    bool hybrid() const;
};

CpuTopology ReadCpuTopology(const std::string &root = "/");

// "0-3,6" gives 0, 1, 2, 3, 6; nothing when the text is not such a list.
std::optional<std::vector<int>> ParseCpuList(std::string_view text);

// A small system file without its final line end; nothing when unreadable.
std::optional<std::string> ReadSystemFile(const std::filesystem::path &path);

// A whole number read from a system file; nothing when absent or not one.
std::optional<std::int64_t> ReadSystemNumber(const std::filesystem::path &path);

// The processors' folders under root: sys/devices/system/cpu/cpu0, cpu1...
std::vector<std::filesystem::path> CpuFolders(const std::filesystem::path &root);

} // namespace tarvo
