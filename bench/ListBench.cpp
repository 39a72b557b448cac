// What a user gets from the stored results and comparison windows on a
// results file of 10,000 to 5,000,000 lines: the time from the press on
// "Consulter" until the program answers again, against `LC_ALL=C sort` on the
// same file, the comparison window's first showing after it, a reload after
// one more line, the memory both windows take, scrolling, and how long a
// history list of as many entries takes to drop down in the entry window.
//
// Every measurement runs in a process of its own, started by fork and exec from
// this parent, which stays small: the files are written a block at a time. The
// load child is this program started again with --load: it creates the
// application's six windows, shows the main window, leaves the loop idle for
// a while, then presses "Consulter". With an X server (DISPLAY) the press is a
// real one, through the server's test extension (xcb-xtest), and the program
// is free again when it takes the pointer's next move, sent right after the
// press: input waits for the press's handler and anything the loop had to do
// before it. Without one the windows are offscreen and the press is made by a
// call. The same child then presses "Comparer" (the comparison window's first
// showing), appends a line as "OK" does and clicks into the comparison window
// (a reload), and scrolls the stored results list from top to bottom, at most
// --pages pages spread evenly, repainting after each (in the first run of each
// case only). Memory is the peak resident size above the size just before the
// first press (/proc/self/clear_refs resets the peak).
//
// Memory left idle costs more to touch than memory just freed (a virtual
// machine hands free memory back to its host, which must clear it again when
// it is asked for), so each case is timed twice: after the loop and the memory
// have been idle --idle seconds, as between two clicks of a user, and back to
// back, right after the previous process exited; `sort` likewise. The
// drop-down child (--dropdown) shows the entry window and drops down its
// processor list, whose file holds as many entries, twice. Times are medians
// of the runs.
//
// --before PROGRAM runs the children of another build of this benchmark (the
// same source built against other code) beside this one's, on the same files
// and in turn, so that two versions of the program are compared in one run.
//
// Usage: tarvo_list_bench [--repeat N] [--sizes N,N,...] [--pages N] [--idle S] [--before PROGRAM] [DIR]
// The files are written under DIR (default: a new folder in /tmp) and left there.
#include "Children.h"
#include "ListChildren.h"
#include "Measure.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using tarvo::bench::ChildRun;
using tarvo::bench::Field;
using tarvo::bench::ResultLineText;
using tarvo::bench::RunChild;
using tarvo::bench::WriteLines;

// A processor history entry, about 14 bytes with its line end.
std::string historyEntry(std::mt19937 &random)
{
    static const std::array<const char *, 8> processors = {"K6-2", "PIII", "Athlon XP", "Celeron",
                                                           "6x86MX", "Duron", "P4", "C3"};
    return std::string(processors[random() % processors.size()]) + ' ' + std::to_string(100 + random() % 3400)
        + "\r\n";
}

struct Options {
    int repeat = 3;
    int pages = 2000;
    double idleSeconds = 4;
    std::vector<long> sizes;
    std::filesystem::path root;
    std::string beforeProgram;
};

Options parseOptions(int argc, char *argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            o.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) {
            o.pages = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--idle") == 0 && i + 1 < argc) {
            o.idleSeconds = std::max(0.0, std::atof(argv[++i]));
        } else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
            o.beforeProgram = std::filesystem::canonical(argv[++i]).string();
        } else if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            std::stringstream list(argv[++i]);
            std::string size;
            while (std::getline(list, size, ','))
                o.sizes.push_back(std::strtol(size.c_str(), nullptr, 10));
        } else {
            o.root = argv[i];
        }
    }
    if (o.sizes.empty())
        o.sizes = {10'000, 100'000, 1'000'000, 5'000'000};
    return o;
}

// One results file and one history file of `lines` lines, and what is
// measured on them; every run starts from the same results file.
class Case {
public:
    Case(const Options &options, long lines)
        : options_(options), lines_(lines), dir_(options.root / std::to_string(lines))
    {
        std::filesystem::create_directories(dir_);
        megabytes = double(WriteLines(file(), lines, 20240601u + unsigned(lines), ResultLineText)) / 1e6;
        historyMegabytes = double(WriteLines(dir_ / "_CPU.TXT", lines, 20240602u + unsigned(lines), historyEntry)) / 1e6;
        std::filesystem::copy_file(file(), pristine(), std::filesystem::copy_options::overwrite_existing);
    }

    // LC_ALL=C sort on the file, after the idle time or right away.
    double sort(const std::string &sortProgram, bool idle) const
    {
        restore();
        if (idle)
            std::this_thread::sleep_for(std::chrono::milliseconds(idleMs()));
        const ChildRun sort = RunChild({sortProgram, file().string()}, false, "LC_ALL=C");
        if (sort.status != 0) {
            std::fprintf(stderr, "sort failed (status %d)\n", sort.status);
            return tarvo::bench::Failed;
        }
        return sort.ms;
    }

    // The load child of one build; back to back, it adds its other figures to
    // `bench` under `build`'s name, and scrolls in the first round only.
    double load(tarvo::bench::Bench &bench, const std::string &build, const std::string &program, bool idle) const
    {
        restore();
        const bool scroll = !idle && bench[build + " load"].readings.empty();
        const int pageCount = scroll ? options_.pages : 0;
        const ChildRun child = RunChild({program, "--load", dir_.string(), std::to_string(lines_),
                                         std::to_string(pageCount), std::to_string(idle ? idleMs() : 0)},
                                        true);
        if (child.status != 0 || Field(child.output, "end") != 1) {
            std::fprintf(stderr, "%s: load of %ld lines failed (status %d): %s\n", build.c_str(), lines_,
                         child.status, child.output.c_str());
            return tarvo::bench::Failed;
        }
        real = real || Field(child.output, "real") == 1;
        if (idle)
            return Field(child.output, "load");
        bench[build + " second"].readings.push_back(Field(child.output, "second"));
        bench[build + " reload"].readings.push_back(Field(child.output, "reload"));
        bench[build + " growth MB"].readings.push_back(
            (Field(child.output, "peak") - Field(child.output, "before")) * 1024 / 1e6);
        if (pageCount > 0) {
            const double pages = Field(child.output, "pages");
            bench[build + " pages"].readings.push_back(pages);
            bench[build + " page ms"].readings.push_back(Field(child.output, "scroll") / std::max(1.0, pages));
        }
        return Field(child.output, "load");
    }

    // The drop-down child: the time of the first drop-down; its memory goes to `bench`.
    double dropDown(tarvo::bench::Bench &bench, const std::string &build, const std::string &program) const
    {
        const ChildRun child = RunChild({program, "--dropdown", dir_.string(), std::to_string(lines_)}, true);
        if (child.status != 0) {
            std::fprintf(stderr, "drop-down of %ld entries failed (status %d): %s\n", lines_, child.status,
                         child.output.c_str());
            return tarvo::bench::Failed;
        }
        bench[build + " drop growth MB"].readings.push_back(
            (Field(child.output, "peak") - Field(child.output, "before")) * 1024 / 1e6);
        return Field(child.output, "drop");
    }

    long lines() const { return lines_; }
    double megabytes = 0, historyMegabytes = 0;
    mutable bool real = false; // a real press through the X server

private:
    std::filesystem::path file() const { return dir_ / "TARVODAT.TXT"; }
    std::filesystem::path pristine() const { return dir_ / "TARVODAT.ORIG"; }
    void restore() const
    {
        std::filesystem::copy_file(pristine(), file(), std::filesystem::copy_options::overwrite_existing);
    }
    int idleMs() const { return int(options_.idleSeconds * 1000); }

    const Options &options_;
    long lines_;
    std::filesystem::path dir_;
};

using Builds = std::vector<std::pair<std::string, std::string>>; // name, program

void printHeader(const Options &o)
{
    std::printf("Files under %s; median (lowest-highest) of %d runs per case; one child process per run;\n"
                "idle: after %.1f s of idle loop and memory; b2b: right after the previous process.\n",
                o.root.c_str(), o.repeat, o.idleSeconds);
    std::printf("%9s %6s %-6s | %-18s %-18s | %-18s %-18s | %5s %5s | %-16s %-14s | %8s %5s | %-14s %6s | %6s %7s\n",
                "lines", "MB", "build", "click ms idle", "click ms b2b", "sort ms idle", "sort ms b2b", "/sort", "b2b",
                "2nd window ms", "reload ms", "+MB", "/file", "drop ms", "+/file", "pages", "page ms");
}

void printRow(const Case &c, tarvo::bench::Bench &bench, const std::string &build)
{
    const auto m = [&](const char *name) -> tarvo::bench::Measurement & { return bench[build + name]; };
    const tarvo::bench::Measurement &sortIdle = bench["sort idle"], &sortBackToBack = bench["sort b2b"];
    const double growth = m(" growth MB").median();
    std::printf("%9ld %6.1f %-6s | %-18s %-18s | %-18s %-18s | %5.2f %5.2f | %-16s %-14s | %8.1f %5.2f | "
                "%-14s %6.2f | %6.0f %7.3f\n",
                c.lines(), c.megabytes, build.c_str(), m(" load idle").spread().c_str(), m(" load").spread().c_str(),
                sortIdle.spread().c_str(), sortBackToBack.spread().c_str(),
                m(" load idle").median() / sortIdle.median(), m(" load").median() / sortBackToBack.median(),
                m(" second").spread().c_str(), m(" reload").spread().c_str(), growth, growth / c.megabytes,
                m(" drop").spread().c_str(), m(" drop growth MB").median() / c.historyMegabytes,
                m(" pages").median(), m(" page ms").median());
}

void printLegend(bool real)
{
    std::printf(
        "click: from the press on \"Consulter\" (%s) until the program takes input again: the stored results\n"
        "window shown, its file read, sorted and painted; /sort: against sort on the same file, idle against idle,\n"
        "back to back against back to back. 2nd window: the press on \"Comparer\" right after, the same file in\n"
        "the comparison window. reload: a click into it after a line was appended. +MB: peak resident memory\n"
        "above the size before the first press, both windows and the reload; /file: over the results file's size.\n"
        "drop: the entry window's processor list of as many entries (%s), its first drop-down (read, sort,\n"
        "list opened and painted); +/file: peak memory above the entry window's, over the history file's size.\n"
        "page ms: mean time to scroll the stored results list one page and repaint it (pages: how many, spread\n"
        "evenly).\n",
        real ? "a real press through the X server" : "offscreen, a press made by a call",
        "offscreen or not, made by a call");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && (std::strcmp(argv[1], "--load") == 0 || std::strcmp(argv[1], "--dropdown") == 0))
        return tarvo::bench::RunListChild(argc, argv);

    Options options = parseOptions(argc, argv);
    if (options.root.empty()) {
        char pattern[] = "/tmp/tarvo_list_bench.XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        options.root = pattern;
    }
    const std::string sortProgram = std::filesystem::exists("/usr/bin/sort") ? "/usr/bin/sort" : "/bin/sort";
    // The builds compared: this one, and the one before it when given.
    Builds builds{{"after", std::filesystem::canonical("/proc/self/exe").string()}};
    if (!options.beforeProgram.empty())
        builds.insert(builds.begin(), {"before", options.beforeProgram});

    printHeader(options);
    bool real = false, failed = false;
    for (const long lines : options.sizes) {
        const Case c(options, lines);
        // In each round: sort after idling, then each build's children, then sort back to back.
        tarvo::bench::Bench bench(options.repeat);
        std::vector<std::pair<std::string, std::function<double()>>> round{
            {"sort idle", [&] { return c.sort(sortProgram, true); }}};
        for (const auto &[build, program] : builds) {
            round.push_back({build + " load idle", [&, b = build, p = program] { return c.load(bench, b, p, true); }});
            round.push_back({build + " load", [&, b = build, p = program] { return c.load(bench, b, p, false); }});
            round.push_back({build + " drop", [&, b = build, p = program] { return c.dropDown(bench, b, p); }});
        }
        round.push_back({"sort b2b", [&] { return c.sort(sortProgram, false); }});
        bench.InTurn(round);
        if (bench.failed()) {
            failed = true;
            break;
        }
        for (const auto &build : builds)
            printRow(c, bench, build.first);
        real = real || c.real;
        std::fflush(stdout);
    }
    printLegend(real);
    return failed ? 1 : 0;
}
