#include "core/MemoryBudget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <sys/resource.h>

namespace tarvo {

namespace {

// A "Name: 123 kB" field of a /proc file, in bytes; `fallback` when absent.
std::uint64_t kilobytesField(const char *file, const char *name, std::uint64_t fallback)
{
    std::ifstream in(file);
    std::string line;
    const std::size_t length = std::strlen(name);
    while (std::getline(in, line))
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':')
            return std::strtoull(line.c_str() + length + 1, nullptr, 10) * 1024;
    return fallback;
}

std::uint64_t numberIn(const std::string &file, std::uint64_t fallback)
{
    std::ifstream in(file);
    std::string word;
    if (!(in >> word) || word.empty() || word[0] < '0' || word[0] > '9')
        return fallback; // "max", or no such file
    return std::strtoull(word.c_str(), nullptr, 10);
}

} // namespace

std::uint64_t ListMemoryBudget()
{
    constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t room = kilobytesField("/proc/meminfo", "MemAvailable", unlimited);

    const auto limitLeft = [&room](int resource, std::uint64_t used) {
        struct rlimit limit {};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            room = std::min(room, limit.rlim_cur > used ? std::uint64_t(limit.rlim_cur) - used : 0);
    };
    limitLeft(RLIMIT_AS, kilobytesField("/proc/self/status", "VmSize", 0));
    limitLeft(RLIMIT_DATA, kilobytesField("/proc/self/status", "VmData", 0));

    // cgroup v2: a single "0::/path" line.
    std::ifstream cgroups("/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroups, line)) {
        if (line.rfind("0::", 0) != 0)
            continue;
        const std::string dir = "/sys/fs/cgroup" + line.substr(3);
        const std::uint64_t max = numberIn(dir + "/memory.max", unlimited);
        const std::uint64_t current = numberIn(dir + "/memory.current", 0);
        if (max != unlimited)
            room = std::min(room, max > current ? max - current : 0);
    }
    return room == unlimited ? room : room / 4 * 3;
}

} // namespace tarvo
