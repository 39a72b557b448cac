// --per-core: the single-core test, as "Tester" runs it, pinned to each CPU
// the process may use in turn; a table of each CPU's kind of core, cluster,
// SMT sibling, maximum frequency and results, with a mark on the CPUs more
// than 10 % below the median of their kind and the reason when one is known.
// It finds a slow core, a parked cluster or a throttled socket. Nothing of it
// is written to the results file.
#pragma once

#include "cli/Output.h"

#include "core/CpuTopology.h"

#include <QStringList>

#include <string>

#include <vector>

namespace tarvo::cli {

// One CPU's medians over the repeated runs.
struct CoreFigures {
    int cpu = 0;
    double entier = 0.0, flottant = 0.0, indice = 0.0;
    double clockHz = 0.0; // measured around its runs; 0 when unknown
    bool throttled = false; // a throttling counter moved during its runs
};

// A CPU more than this fraction below the median index of its kind is marked.
inline constexpr double SlowBelow = 0.9;

// The reasons `figures` (one CPU's) is slow among `all`, in French; nothing
// when it is within 10 % of the median of its kind. A CPU whose reason is not
// known is marked with "cause inconnue".
QStringList SlowReasons(const CoreFigures &figures, const std::vector<CoreFigures> &all,
                        const CpuTopology &topology);

struct PerCoreRequest {
    int repeat = 1;
    bool json = false;
    std::string *jsonCopy = nullptr; // also given the JSON document, for --report
};

int RunPerCoreMode(const PerCoreRequest &request, Output &out);

} // namespace tarvo::cli
