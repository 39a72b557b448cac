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
//
// Usage: tarvo_cli_bench ZUREZIVE BENCH_LISTS [--lines N] [--repeat R] [DIR]
// The files are written under DIR (default: a new folder in /tmp) and left there.
#include "Children.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tarvo::bench::ChildRun;
using tarvo::bench::MiddleOf;
using tarvo::bench::RunChild;

double loadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

// Median and lowest time of `runs` starts of one command line.
void timeStarts(const char *name, const std::vector<std::string> &command, int expected, int runs)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = RunChild(command, true, nullptr, true);
        if (run.status != expected) {
            std::fprintf(stderr, "%s: exit %d, not %d\n", name, run.status, expected);
            std::exit(1);
        }
        ms.push_back(run.ms);
    }
    std::printf("%-26s median %6.2f ms, lowest %6.2f ms\n", name, MiddleOf(ms), *std::min_element(ms.begin(), ms.end()));
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

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ZUREZIVE BENCH_LISTS [--lines N] [--repeat R] [DIR]\n", argv[0]);
        return 2;
    }
    const std::string program = fs::canonical(argv[1]).string();
    const std::string benchLists = fs::canonical(argv[2]).string();
    long lines = 1'000'000;
    int repeat = 3;
    fs::path root;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc)
            lines = std::max(1L, std::strtol(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else
            root = argv[i];
    }
    if (root.empty()) {
        char pattern[] = "/tmp/tarvo_cli_bench.XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        root = pattern;
    }
    const std::string sortProgram = fs::exists("/usr/bin/sort") ? "/usr/bin/sort" : "/bin/sort";
    std::printf("Files under %s; load average %.2f at the start.\n\n", root.c_str(), loadAverage());

    // Start-up: nothing of Qt's GUI is touched.
    timeStarts("/bin/true", {"/bin/true"}, 0, 50);
    timeStarts("Qt Widgets linked, no more", {TARVO_LINKED_ONLY}, 0, 50);
    timeStarts("zurezive --help", {program, "--help"}, 0, 50);
    timeStarts("zurezive --bad-option", {program, "--bad-option"}, 2, 50);

    // A run: everything around the timed intervals.
    const fs::path runDir = root / "run";
    fs::create_directories(runDir);
    if (::chdir(runDir.c_str()) != 0)
        return 1;
    std::printf("\n--run --json        wall s   timed s   wall-timed ms   allowed ms   cpu s   cpu-timed ms\n");
    for (int r = 0; r < repeat; ++r) {
        const ChildRun run = RunChild({program, "--run", "--json"}, true);
        const double timed = timedSeconds(run.output);
        if (run.status != 0 || timed <= 0) {
            std::fprintf(stderr, "--run --json failed (exit %d)\n", run.status);
            return 1;
        }
        const double wall = run.ms / 1000;
        std::printf("run %d %19.3f %9.3f %15.1f %12.1f %7.3f %14.1f%s\n", r + 1, wall, timed, (wall - timed) * 1000,
                    (0.01 * timed + 0.030) * 1000, run.cpuSeconds, (run.cpuSeconds - timed) * 1000,
                    wall - timed <= 0.01 * timed + 0.030 ? "" : "   (over)");
    }

    // The list: as CSV, against the window's load of the same file.
    const fs::path listDir = root / "list";
    const fs::path small = root / "small";
    fs::create_directories(listDir);
    fs::create_directories(small);
    const double megabytes = double(tarvo::bench::WriteLines(listDir / "TARVODAT.TXT", lines, 20240601u,
                                                             tarvo::bench::ResultLineText)) / 1e6;
    tarvo::bench::WriteLines(small / "TARVODAT.TXT", 1, 1u, tarvo::bench::ResultLineText);
    std::vector<double> listMs, windowMs, growth, listCpu, windowCpu;
    const std::uintmax_t listBytes = fs::file_size(listDir / "TARVODAT.TXT");
    for (int r = 0; r < repeat; ++r) {
        if (::chdir(small.c_str()) != 0)
            return 1;
        const ChildRun baseline = RunChild({program, "--list", "--csv"}, false);
        if (::chdir(listDir.c_str()) != 0)
            return 1;
        // Each goes first in turn, so that neither always finds the other's leftovers.
        ChildRun list, window;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + r) % 2 == 0) {
                list = RunChild({program, "--list", "--csv"}, false);
            } else {
                window = RunChild({benchLists, "--load", listDir.string(), std::to_string(lines), "0"}, true,
                                  "QT_QPA_PLATFORM=offscreen", true);
                // The window's load appended a line: it goes again.
                fs::resize_file(listDir / "TARVODAT.TXT", listBytes);
            }
        }
        if (baseline.status != 0 || list.status != 0 || window.status != 0) {
            std::fprintf(stderr, "--list or the window's load failed\n");
            return 1;
        }
        listMs.push_back(list.ms);
        listCpu.push_back(list.cpuSeconds * 1000);
        windowCpu.push_back(window.cpuSeconds * 1000);
        windowMs.push_back(tarvo::bench::Field(window.output, "load"));
        growth.push_back(double(list.maxRssKilobytes - baseline.maxRssKilobytes) * 1024 / 1e6);
    }
    std::printf("\n--list --csv, %ld lines (%.1f MB): %.0f ms (whole process); the window's load %.0f ms: %.2fx\n",
                lines, megabytes, MiddleOf(listMs), MiddleOf(windowMs), MiddleOf(listMs) / MiddleOf(windowMs));
    std::printf("  processor time of the whole process: %.0f ms; of the window's (Qt's start-up included): %.0f ms: "
                "%.2fx\n",
                MiddleOf(listCpu), MiddleOf(windowCpu), MiddleOf(listCpu) / MiddleOf(windowCpu));
    std::printf("  peak memory above --list on one line: %.1f MB, %.2fx the file\n", MiddleOf(growth),
                MiddleOf(growth) / megabytes);

    // The merge of one file into another, against sort -u on both.
    const fs::path mergeDir = root / "merge";
    fs::create_directories(mergeDir);
    const fs::path other = mergeDir / "OTHER.TXT";
    const fs::path pristine = mergeDir / "TARVODAT.ORIG";
    tarvo::bench::WriteLines(pristine, lines, 20240603u, tarvo::bench::ResultLineText);
    tarvo::bench::WriteLines(other, lines, 20240604u, tarvo::bench::ResultLineText);
    std::vector<double> mergeMs, sortMs;
    if (::chdir(mergeDir.c_str()) != 0)
        return 1;
    for (int r = 0; r < repeat; ++r) {
        fs::copy_file(pristine, mergeDir / "TARVODAT.TXT", fs::copy_options::overwrite_existing);
        const ChildRun merge = RunChild({program, "--merge", other.string()}, true);
        fs::copy_file(pristine, mergeDir / "TARVODAT.TXT", fs::copy_options::overwrite_existing);
        const ChildRun sort = RunChild({sortProgram, "-u", (mergeDir / "TARVODAT.TXT").string(), other.string()},
                                       false, "LC_ALL=C");
        if (merge.status != 0 || sort.status != 0) {
            std::fprintf(stderr, "--merge or sort failed: %s\n", merge.output.c_str());
            return 1;
        }
        if (r == 0)
            std::printf("\n%s", merge.output.c_str());
        mergeMs.push_back(merge.ms);
        sortMs.push_back(sort.ms);
    }
    std::printf("--merge of %ld lines into %ld: %.0f ms; LC_ALL=C sort -u on both: %.0f ms: %.2fx\n", lines, lines,
                MiddleOf(mergeMs), MiddleOf(sortMs), MiddleOf(mergeMs) / MiddleOf(sortMs));
    std::printf("\nload average %.2f at the end; medians of %d runs.\n", loadAverage(), repeat);
    return 0;
}
