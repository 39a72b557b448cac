// The state of the machine around a speed test, read from the system: what
// the processor is, how many there are, the frequency governor, whether the
// machine runs on battery, the load average and the thermal throttling
// counters. Each is read or left unknown, never guessed. Everything is read
// under a root folder, "/" on a machine, so that tests can give a made-up
// /proc and /sys.
#pragma once

#include "cli/MachineFacts.h"

#include "core/CpuTopology.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::cli {

enum class Power { Mains, Battery };

struct Conditions {
    std::optional<QString> processor;
    std::optional<int> cpus;
    // The governor of every processor that has one; "a, b" when they differ.
    std::optional<QString> governor;
    std::optional<Power> power;
    std::optional<std::array<double, 3>> load; // 1, 5 and 15 minutes
    // Sum of the processors' core and package throttling counters.
    std::optional<std::uint64_t> throttleCount;
    std::optional<VirtualMachine> virtualMachine;
    std::optional<bool> smt;   // simultaneous multithreading active
    std::optional<bool> turbo; // turbo or boost allowed
};

// On the machine ("/"), the processor's own word on a hypervisor is asked too.
Conditions ReadConditions(const std::string &root = "/");
Conditions ReadConditions(const std::string &root, const std::optional<std::string> &cpuidVendor);

// The throttling counters alone, read around each run.
std::optional<std::uint64_t> ReadThrottleCount(const std::string &root = "/");

// The clock measured before and after one run, and the throttling counters
// read then; what a run adds to the conditions.
struct RunConditions {
    double clockBeforeHz = 0.0; // 0: unknown
    double clockAfterHz = 0.0;
    std::optional<std::uint64_t> throttleBefore;
    std::optional<std::uint64_t> throttleAfter;
    // The CPU the run started and ended on (-1: unknown), what kind of core it
    // is, its frequencies after the run, and how busy the other CPUs of its
    // core were meanwhile (the busiest; unknown without SMT siblings).
    int cpuBefore = -1;
    int cpuAfter = -1;
    CoreType coreType = CoreType::Unknown;
    std::optional<std::int64_t> maxFrequencyKHz{};
    std::optional<std::int64_t> currentFrequencyKHz{};
    std::optional<double> siblingBusyPercent{};
};

// The CPU facts of a run, read around it: call Start before and Finish after.
class RunWatch {
public:
    explicit RunWatch(std::string root);
    void Start(RunConditions &run);
    void Finish(RunConditions &run);

private:
    std::string root;
    std::vector<int> siblings;
    std::vector<std::optional<CpuTimes>> siblingTimes;
};

// A sibling busier than this during a run shares the core enough to slow it.
inline constexpr double BusySiblingPercent = 20.0;

// Throttling events during the runs, unknown when a counter could not be read.
std::optional<std::uint64_t> ThrottleEvents(const std::vector<RunConditions> &runs);

// How far the measured clock moved over the runs: (highest - lowest) / lowest,
// in percent; unknown with fewer than two readings.
std::optional<double> ClockMovePercent(const std::vector<RunConditions> &runs);

// The warnings for results that may not be reliable, in French, one a line.
QStringList Warnings(const Conditions &before, const std::vector<RunConditions> &runs);

// What differs between the conditions before and after, and what moved during
// the runs, in French: the reasons offered for results that spread.
QStringList Changes(const Conditions &before, const Conditions &after, const std::vector<RunConditions> &runs);

} // namespace tarvo::cli
