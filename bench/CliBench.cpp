// The command line's costs, each in a process of its own started by fork and
// exec (Children.h):
//  - --help and a bad option, against /bin/true started the same way and a
//    program that only links Qt Widgets (linked_only): no Qt GUI is started,
//    so they should take a few milliseconds, what loading the libraries takes;
//  - --run --json: the process's wall time against the sum of the timed
//    intervals its own JSON gives (every repetition's clock readings), and its
//    processor time against the same sum, which other programs on the machine
//    do not disturb;
//  - --list --csv on a results file of N lines (1,000,000 by default): its
//    time against the stored results window's load of the same file (in a
//    child of tarvo_list_bench), and its peak memory above that of --list on a
//    one-line file, over the file's size;
//  - --merge of a file of N lines into another of N lines: its time against
//    `LC_ALL=C sort -u` on the two files.
// With --before OLD_ZUREZIVE, --list and --merge of that other build are
// measured too, in turn with this one's, on the same files.
//
// Usage: tarvo_cli_bench ZUREZIVE LIST_BENCH [--lines N] [--repeat R] [--before OLD] [DIR]
// The files are written under DIR (default: a new folder in /tmp) and left there.
#include "Children.h"
#include "Measure.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tarvo::bench::ChildRun;
using tarvo::bench::RunChild;

double loadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

using tarvo::bench::Bench;
using tarvo::bench::Failed;

struct Options {
    std::string program;   // zurezive
    std::string listBench; // tarvo_list_bench, whose --load child is the window's load
    std::string before;    // an older zurezive to measure beside, or empty
    std::string sortProgram = fs::exists("/usr/bin/sort") ? "/usr/bin/sort" : "/bin/sort";
    long lines = 1'000'000;
    int repeat = 3;
    fs::path root;
};

// Median and lowest time of 50 starts of one command line.
bool timeStarts(const char *name, const std::vector<std::string> &command, int expected)
{
    Bench bench(50);
    const tarvo::bench::Measurement &ms = bench.Run(name, [&] {
        const ChildRun run = RunChild(command, true, nullptr, true);
        if (run.status != expected) {
            std::fprintf(stderr, "%s: exit %d, not %d\n", name, run.status, expected);
            return Failed;
        }
        return run.ms;
    });
    if (bench.failed())
        return false;
    std::printf("%-26s median %6.2f ms, lowest %6.2f ms\n", name, ms.median(), ms.stats().min);
    return true;
}

// The sum of the timed intervals of a --run --json document, in seconds.
double timedSeconds(const std::string &json)
{
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    const double perSecond = document.value("clock_ticks_per_second").toDouble();
    double sum = 0;
    for (const QJsonValue run : document.value("runs").toArray())
        for (const QJsonValue kernel : run.toObject().value("kernels").toArray())
            for (const QJsonValue reading : kernel.toObject().value("readings").toArray())
                sum += reading.toArray().at(1).toDouble() - reading.toArray().at(0).toDouble();
    return perSecond > 0 ? sum / perSecond : -1;
}

// Start-up: nothing of Qt's GUI is touched.
bool measureStarts(const Options &o)
{
    return timeStarts("/bin/true", {"/bin/true"}, 0) && timeStarts("Qt Widgets linked, no more", {TARVO_LINKED_ONLY}, 0)
        && timeStarts("zurezive --help", {o.program, "--help"}, 0)
        && timeStarts("zurezive --bad-option", {o.program, "--bad-option"}, 2);
}

// A run: everything around the timed intervals.
bool measureRun(const Options &o)
{
    const fs::path runDir = o.root / "run";
    fs::create_directories(runDir);
    if (::chdir(runDir.c_str()) != 0)
        return false;
    std::printf("\n--run --json        wall s   timed s   wall-timed ms   allowed ms   cpu s   cpu-timed ms\n");
    Bench bench(o.repeat);
    int r = 0;
    bench.Run("--run --json wall s", [&] {
        const ChildRun run = RunChild({o.program, "--run", "--json"}, true);
        const double timed = timedSeconds(run.output);
        if (run.status != 0 || timed <= 0) {
            std::fprintf(stderr, "--run --json failed (exit %d)\n", run.status);
            return Failed;
        }
        const double wall = run.ms / 1000;
        std::printf("run %d %19.3f %9.3f %15.1f %12.1f %7.3f %14.1f%s\n", ++r, wall, timed, (wall - timed) * 1000,
                    (0.01 * timed + 0.030) * 1000, run.cpuSeconds, (run.cpuSeconds - timed) * 1000,
                    wall - timed <= 0.01 * timed + 0.030 ? "" : "   (over)");
        return wall;
    });
    return !bench.failed();
}

// The list: as CSV, against the window's load of the same file, the two taking
// turns to go first so that neither always finds the other's leftovers.
bool measureList(const Options &o)
{
    const fs::path listDir = o.root / "list";
    const fs::path small = o.root / "small";
    fs::create_directories(listDir);
    fs::create_directories(small);
    const double megabytes = double(tarvo::bench::WriteLines(listDir / "TARVODAT.TXT", o.lines, 20240601u,
                                                             tarvo::bench::ResultLineText)) / 1e6;
    tarvo::bench::WriteLines(small / "TARVODAT.TXT", 1, 1u, tarvo::bench::ResultLineText);
    const std::uintmax_t listBytes = fs::file_size(listDir / "TARVODAT.TXT");
    Bench bench(o.repeat);
    ChildRun baseline;
    // The readings of `program` go under names that begin with `prefix`.
    const auto list = [&](const std::string &program, const std::string &prefix) {
        const ChildRun list = RunChild({program, "--list", "--csv"}, false);
        if (list.status != 0 || baseline.status != 0)
            return Failed;
        bench[prefix + "list cpu ms"].readings.push_back(list.cpuSeconds * 1000);
        bench[prefix + "growth MB"].readings.push_back(double(list.maxRssKilobytes - baseline.maxRssKilobytes) * 1024
                                                       / 1e6);
        return list.ms;
    };
    const auto window = [&] {
        const ChildRun window = RunChild({o.listBench, "--load", listDir.string(), std::to_string(o.lines), "0"},
                                         true, "QT_QPA_PLATFORM=offscreen", true);
        // The window's load appended a line: it goes again.
        fs::resize_file(listDir / "TARVODAT.TXT", listBytes);
        if (window.status != 0)
            return Failed;
        bench["window cpu ms"].readings.push_back(window.cpuSeconds * 1000);
        return tarvo::bench::Field(window.output, "load");
    };
    // Per round: --list on a one-line file, then --list and the window's load,
    // each going first in turn. The readings are --list's; the window's go beside.
    int round = 0;
    bench.Run("list ms", [&] {
        if (::chdir(small.c_str()) != 0)
            return Failed;
        baseline = RunChild({o.program, "--list", "--csv"}, false);
        if (::chdir(listDir.c_str()) != 0)
            return Failed;
        const bool listFirst = round++ % 2 == 0;
        const double before = listFirst ? list(o.program, "") : window();
        const double after = listFirst ? window() : list(o.program, "");
        if (std::isnan(before) || std::isnan(after)) {
            std::fprintf(stderr, "--list or the window's load failed\n");
            return Failed;
        }
        bench["window ms"].readings.push_back(listFirst ? after : before);
        if (!o.before.empty()) {
            const double old = list(o.before, "before ");
            if (std::isnan(old))
                return Failed;
            bench["before list ms"].readings.push_back(old);
        }
        // And LC_ALL=C sort on the same file, right after.
        const ChildRun sorted = RunChild({o.sortProgram, "TARVODAT.TXT"}, false, "LC_ALL=C");
        if (sorted.status != 0)
            return Failed;
        bench["sort ms"].readings.push_back(sorted.ms);
        return listFirst ? before : after;
    });
    if (bench.failed())
        return false;
    const auto median = [&](const char *name) { return bench[name].median(); };
    std::printf("\n--list --csv, %ld lines (%.1f MB): %.0f ms (whole process); the window's load %.0f ms: %.2fx\n",
                o.lines, megabytes, median("list ms"), median("window ms"), median("list ms") / median("window ms"));
    std::printf("  LC_ALL=C sort on the same file: %.0f ms: --list takes %.2fx\n", median("sort ms"),
                median("list ms") / median("sort ms"));
    std::printf("  processor time of the whole process: %.0f ms; of the window's (Qt's start-up included): %.0f ms: "
                "%.2fx\n",
                median("list cpu ms"), median("window cpu ms"), median("list cpu ms") / median("window cpu ms"));
    std::printf("  peak memory above --list on one line: %.1f MB, %.2fx the file\n", median("growth MB"),
                median("growth MB") / megabytes);
    if (!o.before.empty())
        std::printf("  the build before: %.0f ms, %.2fx sort; processor time %.0f ms; peak memory %.1f MB, %.2fx the "
                    "file\n",
                    median("before list ms"), median("before list ms") / median("sort ms"),
                    median("before list cpu ms"), median("before growth MB"), median("before growth MB") / megabytes);
    return true;
}

// The merge of one file into another, against sort -u on both.
bool measureMerge(const Options &o)
{
    const fs::path mergeDir = o.root / "merge";
    fs::create_directories(mergeDir);
    const fs::path other = mergeDir / "OTHER.TXT";
    const fs::path pristine = mergeDir / "TARVODAT.ORIG";
    tarvo::bench::WriteLines(pristine, o.lines, 20240603u, tarvo::bench::ResultLineText);
    tarvo::bench::WriteLines(other, o.lines, 20240604u, tarvo::bench::ResultLineText);
    if (::chdir(mergeDir.c_str()) != 0)
        return false;
    Bench bench(o.repeat);
    const auto mergeOnce = [&](const std::string &program, const char *name) {
        fs::copy_file(pristine, mergeDir / "TARVODAT.TXT", fs::copy_options::overwrite_existing);
        const ChildRun merge = RunChild({program, "--merge", other.string()}, true);
        if (merge.status != 0) {
            std::fprintf(stderr, "--merge failed: %s\n", merge.output.c_str());
            return Failed;
        }
        if (bench[name].readings.empty())
            std::printf("\n%s", merge.output.c_str());
        return merge.ms;
    };
    std::vector<std::pair<std::string, std::function<double()>>> turns = {
        {"merge ms", [&] { return mergeOnce(o.program, "merge ms"); }},
        {"sort ms", [&] {
             fs::copy_file(pristine, mergeDir / "TARVODAT.TXT", fs::copy_options::overwrite_existing);
             const ChildRun sort = RunChild({o.sortProgram, "-u", (mergeDir / "TARVODAT.TXT").string(), other.string()},
                                            false, "LC_ALL=C");
             return sort.status == 0 ? sort.ms : Failed;
         }}};
    if (!o.before.empty())
        turns.push_back({"before merge ms", [&] { return mergeOnce(o.before, "before merge ms"); }});
    bench.InTurn(turns);
    if (bench.failed())
        return false;
    const double merge = bench["merge ms"].median(), sort = bench["sort ms"].median();
    std::printf("--merge of %ld lines into %ld: %.0f ms; LC_ALL=C sort -u on both: %.0f ms: %.2fx\n", o.lines, o.lines,
                merge, sort, merge / sort);
    if (!o.before.empty())
        std::printf("  the build before: %.0f ms: %.2fx\n", bench["before merge ms"].median(),
                    bench["before merge ms"].median() / sort);
    return true;
}

bool parseOptions(int argc, char *argv[], Options &o)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ZUREZIVE LIST_BENCH [--lines N] [--repeat R] [--before OLD] [DIR]\n", argv[0]);
        return false;
    }
    o.program = fs::canonical(argv[1]).string();
    o.listBench = fs::canonical(argv[2]).string();
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc)
            o.lines = std::max(1L, std::strtol(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc)
            o.before = fs::canonical(argv[++i]).string();
        else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            o.repeat = std::max(1, std::atoi(argv[++i]));
        else
            o.root = argv[i];
    }
    if (o.root.empty()) {
        char pattern[] = "/tmp/tarvo_cli_bench.XXXXXX";
        if (!::mkdtemp(pattern))
            return false;
        o.root = pattern;
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;
    std::printf("Files under %s; load average %.2f at the start.\n\n", options.root.c_str(), loadAverage());
    if (!measureStarts(options) || !measureRun(options) || !measureList(options) || !measureMerge(options))
        return 1;
    std::printf("\nload average %.2f at the end; medians of %d runs.\n", loadAverage(), options.repeat);
    return 0;
}
