#include "Children.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace tarvo::bench {

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

} // namespace

ChildRun RunChild(const std::vector<std::string> &arguments, bool keepOutput, const char *extraEnv, bool quiet)
{
    // Everything the child needs is made before the fork.
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const std::size_t nameLength = extraEnv ? std::strcspn(extraEnv, "=") + 1 : 0;
    std::vector<char *> env;
    for (char **e = environ; *e; ++e)
        if (!extraEnv || std::strncmp(*e, extraEnv, nameLength) != 0)
            env.push_back(*e);
    if (extraEnv)
        env.push_back(const_cast<char *>(extraEnv));
    env.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (keepOutput && ::pipe(pipeFds) != 0)
        return {};
    ChildRun run;
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (keepOutput) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        } else {
            ::close(STDOUT_FILENO); // sort writes its output for nothing
            ::open("/dev/null", O_WRONLY);
        }
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
        }
        ::execve(argv[0], argv.data(), env.data());
        ::_exit(127);
    }
    if (keepOutput) {
        ::close(pipeFds[1]);
        if (pid > 0) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
                run.output.append(buffer, size_t(n));
        }
        ::close(pipeFds[0]);
    }
    if (pid < 0)
        return run;
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.maxRssKilobytes = usage.ru_maxrss;
    return run;
}

std::string ResultLineText(std::mt19937 &random)
{
    static const std::array<const char *, 8> processors = {
        "AMD K6-2",      "Intel Pentium III", "AMD Athlon XP 2000+", "Intel Celeron",
        "Cyrix 6x86MX",  "AMD Duron",         "Intel Pentium 4",     "VIA C3"};
    static const std::array<const char *, 7> boards = {"Asus P2B",     "Abit BH6",       "Gigabyte GA-7VAX",
                                                        "MSI K7T Turbo", "Epox 8K3A+",     "Asus A7V333",
                                                        "Soyo SY-K7V Dragon+"};
    std::uniform_real_distribution<float> mcps(5.0f, 3000.0f);
    std::uniform_int_distribution<int> frequency(100, 3500);
    const float entier = mcps(random);
    const float flottant = mcps(random);
    const float indice = float((3.0 * double(flottant) + double(entier)) / 4.0);
    const int origine = frequency(random);
    char line[256];
    const int n = std::snprintf(line, sizeof line, "%12.2f%12.2f%12.2f            %s %d \xe0 %d     [CM %s]\r\n",
                                double(indice), double(flottant), double(entier),
                                processors[random() % processors.size()], origine,
                                origine + int(random() % 500), boards[random() % boards.size()]);
    return std::string(line, size_t(n));
}

double Field(const std::string &output, const char *name)
{
    const std::string key = std::string(name) + "=";
    const size_t at = output.find(key);
    return at == std::string::npos ? -1 : std::strtod(output.c_str() + at + key.size(), nullptr);
}

} // namespace tarvo::bench
