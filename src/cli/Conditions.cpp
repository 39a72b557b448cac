#include "cli/Conditions.h"

#include "cli/ConditionsTexts.h"
#include "core/CpuTopology.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <sched.h>

namespace tarvo::cli {

namespace {

namespace fs = std::filesystem;

// The entries of a folder whose names start with `prefix`, sorted.
std::vector<fs::path> entries(const fs::path &folder, std::string_view prefix)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<QString> processorModel(const fs::path &root)
{
    std::ifstream cpuinfo(root / "proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) != 0)
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            break;
        const QString model = QString::fromUtf8(line.substr(colon + 1)).simplified();
        return model.isEmpty() ? std::nullopt : std::optional(model);
    }
    return std::nullopt;
}

std::optional<int> onlineCount(const fs::path &root)
{
    const auto online = ReadSystemFile(root / "sys/devices/system/cpu/online");
    const auto cpus = online ? ParseCpuList(*online) : std::nullopt;
    if (!cpus || cpus->empty())
        return std::nullopt;
    return static_cast<int>(cpus->size());
}

std::optional<QString> governor(const fs::path &root)
{
    std::set<std::string> governors;
    for (const fs::path &cpu : CpuFolders(root))
        if (const auto name = ReadSystemFile(cpu / "cpufreq/scaling_governor"); name && !name->empty())
            governors.insert(*name);
    if (governors.empty())
        return std::nullopt;
    QStringList names;
    for (const std::string &name : governors)
        names << QString::fromStdString(name);
    return names.join(QStringLiteral(", "));
}

// On battery when a system battery discharges and no supply is online; on
// mains when one is, or a battery charges or stays full. A device's own
// battery (a mouse's) says nothing about the machine.
std::optional<Power> power(const fs::path &root)
{
    bool mainsOnline = false, discharging = false, charged = false;
    for (const fs::path &supply : entries(root / "sys/class/power_supply", "")) {
        if (ReadSystemFile(supply / "scope").value_or("") == "Device")
            continue;
        const std::string type = ReadSystemFile(supply / "type").value_or("");
        if (type == "Battery") {
            const std::string status = ReadSystemFile(supply / "status").value_or("");
            discharging = discharging || status == "Discharging";
            charged = charged || status == "Charging" || status == "Full" || status == "Not charging";
        } else if (!type.empty()) {
            mainsOnline = mainsOnline || ReadSystemFile(supply / "online").value_or("") == "1";
        }
    }
    if (mainsOnline || (charged && !discharging))
        return Power::Mains;
    if (discharging)
        return Power::Battery;
    return std::nullopt;
}

std::optional<std::array<double, 3>> loadAverage(const fs::path &root)
{
    const auto text = ReadSystemFile(root / "proc/loadavg");
    if (!text)
        return std::nullopt;
    std::array<double, 3> load{};
    const char *p = text->data(), *end = text->data() + text->size();
    for (double &value : load) {
        while (p < end && *p == ' ')
            ++p;
        const auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc())
            return std::nullopt;
        p = result.ptr;
    }
    return load;
}

std::optional<std::uint64_t> throttleCount(const fs::path &root)
{
    std::optional<std::uint64_t> total;
    for (const CpuInfo &cpu : ReadCpuTopology(root.string()).cpus)
        for (const auto &count : {cpu.coreThrottleCount, cpu.packageThrottleCount})
            if (count)
                total = total.value_or(0) + *count;
    return total;
}

} // namespace

Conditions ReadConditions(const std::string &root)
{
    return ReadConditions(root, root == "/" ? CpuidHypervisorVendor() : std::nullopt);
}

Conditions ReadConditions(const std::string &root, const std::optional<std::string> &cpuidVendor)
{
    const fs::path base(root);
    return {processorModel(base), onlineCount(base),  governor(base),
            power(base),          loadAverage(base),  throttleCount(base),
            ReadVirtualMachine(root, cpuidVendor), ReadCpuTopology(root).smtActive, ReadTurboAllowed(root)};
}

RunWatch::RunWatch(std::string root)
    : root(std::move(root))
{
}

void RunWatch::Start(RunConditions &run)
{
    run.cpuBefore = ::sched_getcpu();
    siblings = ReadCpuTopology(root).siblingsOf(run.cpuBefore);
    siblingTimes.clear();
    for (const int sibling : siblings)
        siblingTimes.push_back(ReadCpuTimes(root, sibling));
}

void RunWatch::Finish(RunConditions &run)
{
    run.cpuAfter = ::sched_getcpu();
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (const auto busy = BusyPercent(siblingTimes[i], ReadCpuTimes(root, siblings[i])))
            run.siblingBusyPercent = std::max(run.siblingBusyPercent.value_or(0.0), *busy);
    const CpuTopology topology = ReadCpuTopology(root);
    if (const CpuInfo *cpu = topology.find(run.cpuAfter)) {
        run.coreType = cpu->type;
        run.maxFrequencyKHz = cpu->maxFrequencyKHz;
        run.currentFrequencyKHz = cpu->currentFrequencyKHz;
    }
}

std::optional<std::uint64_t> ReadThrottleCount(const std::string &root)
{
    return throttleCount(fs::path(root));
}

std::optional<std::uint64_t> ThrottleEvents(const std::vector<RunConditions> &runs)
{
    std::uint64_t events = 0;
    for (const RunConditions &run : runs) {
        if (!run.throttleBefore || !run.throttleAfter)
            return std::nullopt;
        events += *run.throttleAfter - std::min(*run.throttleBefore, *run.throttleAfter);
    }
    return runs.empty() ? std::nullopt : std::optional(events);
}

std::optional<double> ClockMovePercent(const std::vector<RunConditions> &runs)
{
    std::vector<double> clocks;
    for (const RunConditions &run : runs)
        for (const double hz : {run.clockBeforeHz, run.clockAfterHz})
            if (hz > 0.0)
                clocks.push_back(hz);
    if (clocks.size() < 2)
        return std::nullopt;
    const auto [lowest, highest] = std::minmax_element(clocks.begin(), clocks.end());
    return 100.0 * (*highest - *lowest) / *lowest;
}

QStringList Warnings(const Conditions &before, const std::vector<RunConditions> &runs)
{
    QStringList warnings;
    if (before.governor && before.governor->split(QStringLiteral(", ")).contains(QStringLiteral("powersave")))
        warnings << PowersaveWarning();
    if (before.power == Power::Battery)
        warnings << BatteryWarning();
    if (before.load && (*before.load)[0] > 1.0)
        warnings << LoadWarning((*before.load)[0]);
    if (const auto events = ThrottleEvents(runs); events && *events > 0)
        warnings << ThrottleWarning(*events);
    if (const auto moved = ClockMovePercent(runs); moved && *moved > 10.0)
        warnings << ClockWarning(*moved);
    if (before.virtualMachine && before.virtualMachine->present)
        warnings << VirtualMachineWarning(before.virtualMachine->name);
    QStringList busy, efficiency;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (runs[r].siblingBusyPercent && *runs[r].siblingBusyPercent > BusySiblingPercent)
            busy << BusyRun(r + 1, *runs[r].siblingBusyPercent);
        if (runs[r].coreType == CoreType::Efficiency)
            efficiency << QString::number(r + 1);
    }
    if (!busy.isEmpty())
        warnings << BusySiblingWarning(busy);
    if (!efficiency.isEmpty())
        warnings << EfficiencyCoreWarning(efficiency);
    return warnings;
}

QStringList Changes(const Conditions &before, const Conditions &after, const std::vector<RunConditions> &runs)
{
    QStringList changes;
    if (before.governor != after.governor)
        changes << GovernorChange(before.governor, after.governor);
    if (before.power != after.power)
        changes << PowerChange();
    if (const auto events = ThrottleEvents(runs); events && *events > 0)
        changes << ThrottleChange(*events);
    if (const auto moved = ClockMovePercent(runs); moved && *moved > 10.0)
        changes << ClockChange(*moved);
    std::set<int> cpus;
    for (const RunConditions &run : runs)
        for (const int cpu : {run.cpuBefore, run.cpuAfter})
            if (cpu >= 0)
                cpus.insert(cpu);
    if (cpus.size() > 1)
        changes << CpuChange(cpus.size());
    return changes;
}

} // namespace tarvo::cli
