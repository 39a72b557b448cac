// How much memory a list may take: what the system can give this process now
// without swapping (/proc/meminfo), within its control group's limit (cgroup
// v2) and its own address-space and data limits (rlimits). A list that would
// not fit is refused before it is read, rather than the program being killed
// or the machine swapping while it loads.
#pragma once

#include <cstdint>

namespace tarvo {

// Three quarters of that room, the rest left to the program and the system;
// the largest integer when nothing limits it.
std::uint64_t ListMemoryBudget();

} // namespace tarvo
