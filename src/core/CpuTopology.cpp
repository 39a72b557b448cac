#include "core/CpuTopology.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace tarvo {

namespace fs = std::filesystem;

std::optional<std::string> ReadSystemFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    std::string content = text.str();
    while (!content.empty() && (content.back() == '\n' || content.back() == ' '))
        content.pop_back();
    return content;
}

std::optional<std::int64_t> ReadSystemNumber(const fs::path &path)
{
    const auto text = ReadSystemFile(path);
    std::int64_t value = 0;
    if (!text || text->empty())
        return std::nullopt;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> ParseCpuList(std::string_view text)
{
    std::vector<int> cpus;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view range = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        int first = 0, last = 0;
        const char *begin = range.data(), *end = range.data() + range.size();
        const auto [next, error] = std::from_chars(begin, end, first);
        if (error != std::errc() || first < 0)
            return std::nullopt;
        last = first;
        if (next != end && (*next != '-' || std::from_chars(next + 1, end, last).ptr != end || last < first))
            return std::nullopt;
        // A list of a machine's CPUs, not of every number an int can hold.
        if (last - first > 65536)
            return std::nullopt;
        for (int cpu = first; cpu <= last; ++cpu)
            cpus.push_back(cpu);
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

namespace {

// cpu12 is 12; cpufreq, cpuidle and anything else are not CPUs.
std::optional<int> cpuNumber(const fs::path &folder)
{
    const std::string name = folder.filename().string();
    int number = 0;
    if (name.size() <= 3 || name.rfind("cpu", 0) != 0 || name[3] < '0' || name[3] > '9')
        return std::nullopt;
    const auto [end, error] = std::from_chars(name.data() + 3, name.data() + name.size(), number);
    if (error != std::errc() || end != name.data() + name.size())
        return std::nullopt;
    return number;
}

} // namespace

std::vector<fs::path> CpuFolders(const fs::path &root)
{
    std::vector<std::pair<int, fs::path>> numbered;
    std::error_code error;
    for (fs::directory_iterator it(root / "sys/devices/system/cpu", error), end; !error && it != end;
         it.increment(error))
        if (const auto number = cpuNumber(it->path()))
            numbered.emplace_back(*number, it->path());
    std::sort(numbered.begin(), numbered.end());
    std::vector<fs::path> cpus;
    for (auto &[number, path] : numbered)
        cpus.push_back(std::move(path));
    return cpus;
}

namespace {

std::optional<int> readInt(const fs::path &path)
{
    const auto value = ReadSystemNumber(path);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::uint64_t> readCount(const fs::path &path)
{
    const auto value = ReadSystemNumber(path);
    return value && *value >= 0 ? std::optional(static_cast<std::uint64_t>(*value)) : std::nullopt;
}

std::vector<int> readList(const fs::path &path)
{
    const auto text = ReadSystemFile(path);
    return text ? ParseCpuList(*text).value_or(std::vector<int>()) : std::vector<int>();
}

CpuInfo readCpu(const fs::path &folder)
{
    CpuInfo cpu;
    cpu.number = cpuNumber(folder).value_or(-1);
    const fs::path topology = folder / "topology";
    cpu.package = readInt(topology / "physical_package_id");
    cpu.core = readInt(topology / "core_id");
    cpu.cluster = readInt(topology / "cluster_id");
    // core_cpus_list is the newer name of thread_siblings_list.
    cpu.siblings = readList(topology / "core_cpus_list");
    if (cpu.siblings.empty())
        cpu.siblings = readList(topology / "thread_siblings_list");
    cpu.capacity = readInt(folder / "cpu_capacity");
    cpu.maxFrequencyKHz = ReadSystemNumber(folder / "cpufreq/cpuinfo_max_freq");
    cpu.currentFrequencyKHz = ReadSystemNumber(folder / "cpufreq/scaling_cur_freq");
    cpu.coreThrottleCount = readCount(folder / "thermal_throttle/core_throttle_count");
    cpu.packageThrottleCount = readCount(folder / "thermal_throttle/package_throttle_count");
    return cpu;
}

bool contains(const std::vector<int> &list, int value)
{
    return std::binary_search(list.begin(), list.end(), value);
}

// Hybrid x86 names its two kinds of cores; elsewhere (arm64 big.LITTLE) the
// cores differ only by capacity, the largest being the performance cores.
void classify(CpuTopology &topology)
{
    int lowest = INT32_MAX, highest = INT32_MIN;
    for (const CpuInfo &cpu : topology.cpus) {
        if (cpu.capacity) {
            lowest = std::min(lowest, *cpu.capacity);
            highest = std::max(highest, *cpu.capacity);
        }
    }
    const bool capacitiesDiffer = lowest < highest;
    for (CpuInfo &cpu : topology.cpus) {
        if (contains(topology.performanceCpus, cpu.number))
            cpu.type = CoreType::Performance;
        else if (contains(topology.efficiencyCpus, cpu.number))
            cpu.type = CoreType::Efficiency;
        else if (capacitiesDiffer && cpu.capacity)
            cpu.type = *cpu.capacity == highest ? CoreType::Performance : CoreType::Efficiency;
    }
}

} // namespace

CpuTopology ReadCpuTopology(const std::string &root)
{
    const fs::path base(root);
    CpuTopology topology;
    for (const fs::path &folder : CpuFolders(base))
        topology.cpus.push_back(readCpu(folder));
    topology.online = readList(base / "sys/devices/system/cpu/online");
    topology.performanceCpus = readList(base / "sys/devices/cpu_core/cpus");
    topology.efficiencyCpus = readList(base / "sys/devices/cpu_atom/cpus");
    classify(topology);

    if (const auto active = readInt(base / "sys/devices/system/cpu/smt/active"); active && (*active == 0 || *active == 1)) {
        topology.smtActive = *active == 1;
    } else {
        const bool allKnown = !topology.cpus.empty()
                              && std::all_of(topology.cpus.begin(), topology.cpus.end(),
                                             [](const CpuInfo &cpu) { return !cpu.siblings.empty(); });
        if (allKnown)
            topology.smtActive = std::any_of(topology.cpus.begin(), topology.cpus.end(),
                                             [](const CpuInfo &cpu) { return cpu.siblings.size() > 1; });
    }
    return topology;
}

const CpuInfo *CpuTopology::find(int number) const
{
    const auto it = std::find_if(cpus.begin(), cpus.end(), [&](const CpuInfo &cpu) { return cpu.number == number; });
    return it == cpus.end() ? nullptr : &*it;
}

std::vector<int> CpuTopology::siblingsOf(int number) const
{
    const CpuInfo *cpu = find(number);
    std::vector<int> others;
    if (cpu)
        std::copy_if(cpu->siblings.begin(), cpu->siblings.end(), std::back_inserter(others),
                     [&](int sibling) { return sibling != number; });
    return others;
}

bool CpuTopology::hybrid() const
{
    return std::any_of(cpus.begin(), cpus.end(), [](const CpuInfo &cpu) { return cpu.type == CoreType::Efficiency; });
}

const char *CoreTypeKey(CoreType type)
{
    return type == CoreType::Performance ? "performance" : type == CoreType::Efficiency ? "efficiency" : "unknown";
}

} // namespace tarvo
