// How long the stored results window takes to show a results file of 10,000,
// 100,000 and 1,000,000 lines, against `LC_ALL=C sort` on the same file, and
// how much memory it needs for it.
//
// Every measurement runs in a child process of its own, so that its peak
// resident memory (getrusage's ru_maxrss, through wait4) is that of the case
// alone. The load child is this program started again with --load: it creates
// the application's six windows offscreen, shows the real TFormConsulter (file
// to sorted, painted list), activates it a second time (a reload), then scrolls
// the list from top to bottom a page at a time, repainting after each page
// (in the first run of each case only). Times are medians of the runs.
//
// Usage: bench_lists [--repeat N] [--lines N]... [DIR]
// The files are written under DIR (default: a new folder in /tmp) and left there.
#include "AllForms.h"
#include "UnitConsulter.h"

#include "framework/Application.h"
#include "framework/Items.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The kilobytes of VmHWM, the process's peak resident memory so far.
long peakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// --- The load child -------------------------------------------------------

int runLoad(int argc, char *argv[], const char *dir, long expected, bool scrolls)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The window takes the results file's path from the working directory at its creation.
    if (!QDir::setCurrent(QString::fromLocal8Bit(dir))) {
        std::fprintf(stderr, "no folder %s\n", dir);
        return 2;
    }
    using tarvo::TApplication;
    TApplication::Initialize();
    CreateAllForms();
    auto *list = FormConsulter->findChild<tarvo::TListBox *>(QStringLiteral("ListDonnees"));
    const long baseline = peakKilobytes();

    // Showing the window activates it, which loads the file and repaints the
    // list; whatever the view deferred runs in the events processed after it.
    Clock::time_point start = Clock::now();
    FormConsulter->setVisible(true);
    QCoreApplication::processEvents();
    const double load = msSince(start);
    if (!list || list->count() != expected) {
        std::fprintf(stderr, "the list holds %d lines, not %ld\n", list ? list->count() : -1, expected);
        return 3;
    }

    start = Clock::now();
    FormConsulter->FormActivate();
    QCoreApplication::processEvents();
    const double reload = msSince(start);
    const long peakAfterLoads = peakKilobytes();

    // From the top to the bottom, a page at a time, as the scroll bar's page
    // area does it, each page painted before the next.
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(0);
    list->viewport()->repaint();
    std::vector<double> pageTimes;
    start = Clock::now();
    while (scrolls && bar->value() < bar->maximum()) {
        const Clock::time_point page = Clock::now();
        bar->setValue(bar->value() + bar->pageStep());
        list->viewport()->repaint();
        pageTimes.push_back(msSince(page));
    }
    const double scroll = msSince(start);
    const int top = list->indexAt(QPoint(1, 1)).row();
    const bool reachedEnd = !scrolls || (top >= 0 && top + bar->pageStep() >= list->count() - 1);

    // The slowest pages say more about the other processes on the machine than
    // about the list: the 99th percentile is given beside the worst.
    std::sort(pageTimes.begin(), pageTimes.end());
    const double p99 = pageTimes.empty() ? 0 : pageTimes[pageTimes.size() * 99 / 100];
    const double worst = pageTimes.empty() ? 0 : pageTimes.back();
    std::printf("load=%.1f reload=%.1f baseline=%ld peak=%ld pages=%zu scroll=%.1f p99=%.3f worst=%.3f end=%d\n",
                load, reload, baseline, peakAfterLoads, pageTimes.size(), scroll, p99, worst, reachedEnd ? 1 : 0);
    TApplication::DestroyForms();
    return 0;
}

// --- The parent -------------------------------------------------------------

struct ChildRun {
    int status = -1;
    double ms = 0;
    long maxRssKilobytes = 0;
    std::string output;
};

// Runs a program, its output to a pipe (or to /dev/null), and waits for it.
ChildRun runChild(const std::vector<std::string> &arguments, bool keepOutput, const char *extraEnv = nullptr)
{
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> env;
    for (char **e = environ; *e; ++e)
        if (!extraEnv || std::strncmp(*e, "LC_ALL=", 7) != 0)
            env.push_back(*e);
    if (extraEnv)
        env.push_back(const_cast<char *>(extraEnv));
    env.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (keepOutput) {
        if (::pipe(pipeFds) != 0)
            return {};
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }

    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (keepOutput) {
        ::close(pipeFds[1]);
        if (spawned == 0) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
                run.output.append(buffer, size_t(n));
        }
        ::close(pipeFds[0]);
    }
    if (spawned != 0)
        return run;
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    run.ms = msSince(start);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKilobytes = usage.ru_maxrss;
    return run;
}

// A results line as the entry window writes it: index, floating and integer
// results in "%12.2f", twelve spaces, then the configuration, CR LF.
std::string resultLine(std::mt19937 &random)
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

std::uintmax_t writeResults(const std::filesystem::path &file, long lines)
{
    std::mt19937 random(20240601u + unsigned(lines));
    std::string text;
    text.reserve(size_t(lines) * 110);
    for (long i = 0; i < lines; ++i)
        text += resultLine(random);
    std::ofstream(file, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    return text.size();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double field(const std::string &output, const char *name)
{
    const std::string key = std::string(name) + "=";
    const size_t at = output.find(key);
    return at == std::string::npos ? -1 : std::strtod(output.c_str() + at + key.size(), nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 5 && std::strcmp(argv[1], "--load") == 0)
        return runLoad(argc, argv, argv[2], std::strtol(argv[3], nullptr, 10), std::strcmp(argv[4], "scroll") == 0);

    int repeat = 3;
    std::vector<long> sizes;
    std::filesystem::path root;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc)
            sizes.push_back(std::strtol(argv[++i], nullptr, 10));
        else
            root = argv[i];
    }
    if (sizes.empty())
        sizes = {10'000, 100'000, 1'000'000};
    if (root.empty()) {
        char pattern[] = "/tmp/bench_lists.XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        root = pattern;
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    std::printf("Files under %s; median of %d runs per case; one child process per run.\n", root.c_str(), repeat);
    std::printf("%9s %9s | %9s %9s %9s %10s | %9s %9s %9s %9s %9s | %8s %9s %9s %9s\n", "lines", "file MB",
                "load ms", "reload ms", "sort ms", "load/sort", "peak MB", "peak/file", "+load MB", "+/file",
                "sort MB", "pages", "page ms", "p99 ms", "worst ms");
    bool failed = false;
    for (const long lines : sizes) {
        const std::filesystem::path dir = root / std::to_string(lines);
        std::filesystem::create_directories(dir);
        const std::filesystem::path file = dir / "TARVODAT.TXT";
        const double megabytes = double(writeResults(file, lines)) / 1e6;

        std::vector<double> load, reload, sortMs, peak, extra, sortPeak, pageMs, p99, worst;
        double pages = 0;
        for (int r = 0; r < repeat; ++r) {
            // Scrolling a long list through takes a while: once per case is enough.
            const ChildRun child = runChild(
                {self, "--load", dir.string(), std::to_string(lines), r == 0 ? "scroll" : "noscroll"}, true);
            if (child.status != 0 || field(child.output, "end") != 1) {
                std::fprintf(stderr, "load of %ld lines failed (status %d): %s\n", lines, child.status,
                             child.output.c_str());
                failed = true;
                break;
            }
            load.push_back(field(child.output, "load"));
            reload.push_back(field(child.output, "reload"));
            peak.push_back(double(child.maxRssKilobytes) * 1024 / 1e6);
            extra.push_back((double(child.maxRssKilobytes) - field(child.output, "baseline")) * 1024 / 1e6);
            if (r == 0) {
                pages = field(child.output, "pages");
                pageMs.push_back(field(child.output, "scroll") / std::max(1.0, pages));
                p99.push_back(field(child.output, "p99"));
                worst.push_back(field(child.output, "worst"));
            }

            const ChildRun sort = runChild({"sort", file.string()}, false, "LC_ALL=C");
            if (sort.status != 0) {
                std::fprintf(stderr, "sort failed (status %d)\n", sort.status);
                failed = true;
                break;
            }
            sortMs.push_back(sort.ms);
            sortPeak.push_back(double(sort.maxRssKilobytes) * 1024 / 1e6);
        }
        if (failed)
            break;
        const double l = median(load), s = median(sortMs), p = median(peak), e = median(extra);
        std::printf(
            "%9ld %9.1f | %9.1f %9.1f %9.1f %10.2f | %9.1f %9.2f %9.1f %9.2f %9.1f | %8.0f %9.3f %9.2f %9.2f\n",
            lines, megabytes, l, median(reload), s, l / s, p, p / megabytes, e, e / megabytes, median(sortPeak),
            pages, median(pageMs), median(p99), median(worst));
        std::fflush(stdout);
    }
    std::printf("load: first showing of the stored results window (read, sort, paint); reload: its next activation.\n"
                "peak: the load process's peak resident memory; +load: above its peak before the first load.\n"
                "page ms: mean time to scroll one page and repaint the list; p99: 99%% of the pages took at most\n"
                "this; worst: the slowest page.\n");
    return failed ? 1 : 0;
}
