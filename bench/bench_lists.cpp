// How long the stored results window takes to show a results file of 10,000 to
// 5,000,000 lines, against `LC_ALL=C sort` on the same file, how much memory it
// needs for it, and how long a history list of as many entries takes to drop
// down in the entry window.
//
// Every measurement runs in a process of its own, started by fork and exec from
// this parent, which stays small: the files are written a block at a time. A
// child's peak resident memory (ru_maxrss, through wait4) is then its own: exec
// records the resident size of the forked copy it replaces, the pages it shares
// with the parent now (/bin/true started the same way shows how much), where
// posix_spawn would record the parent's peak. The load child is this program
// started again with --load: it creates the application's six windows offscreen,
// shows the real TFormConsulter (file to sorted, painted list), appends one
// line as "OK" does and activates the window again (a reload), then scrolls the
// list from top to bottom, at most --pages pages spread evenly, repainting after
// each (in the first run of each case only). The drop-down child (--dropdown)
// shows the entry window and drops down its processor list, whose file holds
// as many entries, twice. Times are medians of the runs.
//
// Usage: bench_lists [--repeat N] [--sizes N,N,...] [--pages N] [DIR]
// The files are written under DIR (default: a new folder in /tmp) and left there.
#include "AllForms.h"
#include "Children.h"
#include "UnitConsulter.h"
#include "UnitSaisie.h"

#include "core/DataFiles.h"
#include "framework/Application.h"
#include "framework/ComboBox.h"
#include "framework/Items.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tarvo::bench::ChildRun;
using tarvo::bench::Field;
using tarvo::bench::MiddleOf;
using tarvo::bench::ResultLineText;
using tarvo::bench::RunChild;
using tarvo::bench::WriteLines;

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

// --- The children -----------------------------------------------------------

// What both children do first: the six windows, offscreen, their files in `dir`.
bool startApplication(const char *dir)
{
    // The windows take their files' paths from the working directory.
    if (!QDir::setCurrent(QString::fromLocal8Bit(dir))) {
        std::fprintf(stderr, "no folder %s\n", dir);
        return false;
    }
    tarvo::TApplication::Initialize();
    CreateAllForms();
    return true;
}

int runLoad(const char *dir, long expected, int pages)
{
    if (!startApplication(dir))
        return 2;
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

    // A result recorded, then the window activated again.
    tarvo::ResultRecord record;
    record.Processeur = QStringLiteral("Ajout");
    tarvo::AppendToFile(tarvo::DataFilePath(tarvo::ResultsFileName), tarvo::ResultLine(record));
    start = Clock::now();
    FormConsulter->FormActivate();
    QCoreApplication::processEvents();
    const double reload = msSince(start);
    const long peakAfterLoads = peakKilobytes();
    if (list->count() != expected + 1) {
        std::fprintf(stderr, "the reloaded list holds %d lines, not %ld\n", list->count(), expected + 1);
        return 3;
    }

    // From the top to the bottom, a page at a time, each page painted before the
    // next; a long list is sampled by pages spread evenly over it.
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(0);
    list->viewport()->repaint();
    std::vector<double> pageTimes;
    const int steps = std::max(1, bar->maximum() / std::max(1, bar->pageStep()));
    const int stride = std::max(1, steps / std::max(1, pages)) * bar->pageStep();
    start = Clock::now();
    while (pages > 0 && bar->value() < bar->maximum()) {
        const Clock::time_point page = Clock::now();
        bar->setValue(bar->value() + stride);
        list->viewport()->repaint();
        pageTimes.push_back(msSince(page));
    }
    const double scroll = msSince(start);
    const int top = list->indexAt(QPoint(1, 1)).row();
    const bool reachedEnd = pages == 0 || (top >= 0 && top + bar->pageStep() >= list->count() - 1);

    // The slowest pages say more about the other processes on the machine than
    // about the list: the 99th percentile is given beside the worst.
    std::sort(pageTimes.begin(), pageTimes.end());
    const double p99 = pageTimes.empty() ? 0 : pageTimes[pageTimes.size() * 99 / 100];
    const double worst = pageTimes.empty() ? 0 : pageTimes.back();
    std::printf("load=%.1f reload=%.1f baseline=%ld peak=%ld pages=%zu scroll=%.1f p99=%.3f worst=%.3f end=%d\n",
                load, reload, baseline, peakAfterLoads, pageTimes.size(), scroll, p99, worst, reachedEnd ? 1 : 0);
    tarvo::TApplication::DestroyForms();
    return 0;
}

int runDropDown(const char *dir, long expected)
{
    if (!startApplication(dir))
        return 2;
    // Its activation opens (or creates) the four history files.
    FormSaisie->setVisible(true);
    QCoreApplication::processEvents();
    auto *combo = FormSaisie->findChild<tarvo::TComboBox *>(QStringLiteral("ComboCPU"));
    const long baseline = peakKilobytes();

    // The drop-down loads the list, then the list opens and is painted.
    double times[2] = {};
    for (double &time : times) {
        const Clock::time_point start = Clock::now();
        combo->showPopup();
        QCoreApplication::processEvents();
        time = msSince(start);
        if (combo->count() != expected || !combo->view()->isVisible()) {
            std::fprintf(stderr, "the drop-down list holds %d entries, not %ld\n", combo->count(), expected);
            return 3;
        }
        combo->hidePopup();
        QCoreApplication::processEvents();
    }
    std::printf("drop=%.1f redrop=%.1f baseline=%ld peak=%ld\n", times[0], times[1], baseline,
                peakKilobytes());
    tarvo::TApplication::DestroyForms();
    return 0;
}

// --- The parent -------------------------------------------------------------

// A processor history entry, about 14 bytes with its line end.
std::string historyEntry(std::mt19937 &random)
{
    static const std::array<const char *, 8> processors = {"K6-2", "PIII", "Athlon XP", "Celeron",
                                                           "6x86MX", "Duron", "P4", "C3"};
    return std::string(processors[random() % processors.size()]) + ' ' + std::to_string(100 + random() % 3400)
        + "\r\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && (std::strcmp(argv[1], "--load") == 0 || std::strcmp(argv[1], "--dropdown") == 0)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        const long expected = std::strtol(argv[3], nullptr, 10);
        if (argv[1][2] == 'l')
            return runLoad(argv[2], expected, argc >= 5 ? std::atoi(argv[4]) : 0);
        return runDropDown(argv[2], expected);
    }

    int repeat = 3;
    int pages = 2000;
    std::vector<long> sizes;
    std::filesystem::path root;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) {
            pages = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            std::stringstream list(argv[++i]);
            std::string size;
            while (std::getline(list, size, ','))
                sizes.push_back(std::strtol(size.c_str(), nullptr, 10));
        } else {
            root = argv[i];
        }
    }
    if (sizes.empty())
        sizes = {10'000, 100'000, 1'000'000, 5'000'000};
    if (root.empty()) {
        char pattern[] = "/tmp/bench_lists.XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        root = pattern;
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string sortProgram = std::filesystem::exists("/usr/bin/sort") ? "/usr/bin/sort" : "/bin/sort";
    const ChildRun floor = RunChild({"/bin/true"}, false);

    std::printf("Files under %s; median of %d runs per case; one child process per run.\n", root.c_str(), repeat);
    std::printf("A child's peak includes what it shares of this parent at the fork: /bin/true started the "
                "same way peaks at %.1f MB.\n",
                double(floor.maxRssKilobytes) / 1024);
    std::printf("%9s %8s | %8s %8s %8s %6s | %8s %6s %8s %6s | %8s %8s %8s %6s %6s | %6s %8s %8s\n", "lines",
                "file MB", "load ms", "+1 ms", "sort ms", "/sort", "peak MB", "/file", "+load MB", "/file",
                "sort MB", "hist MB", "drop ms", "/load", "+/file", "pages", "page ms", "p99 ms");
    bool failed = false;
    for (const long lines : sizes) {
        const std::filesystem::path dir = root / std::to_string(lines);
        std::filesystem::create_directories(dir);
        const std::filesystem::path file = dir / "TARVODAT.TXT";
        const std::filesystem::path history = dir / "_CPU.TXT";
        const double megabytes = double(WriteLines(file, lines, 20240601u + unsigned(lines), ResultLineText)) / 1e6;
        const double historyMegabytes =
            double(WriteLines(history, lines, 20240602u + unsigned(lines), historyEntry)) / 1e6;
        // Each run starts from the same file; the load child appends a line.
        const std::filesystem::path pristine = dir / "TARVODAT.ORIG";
        std::filesystem::copy_file(file, pristine, std::filesystem::copy_options::overwrite_existing);

        std::vector<double> load, reload, sortMs, peak, extra, sortPeak, drop, dropExtra;
        double pageCount = 0, pageMs = 0, p99 = 0;
        for (int r = 0; r < repeat && !failed; ++r) {
            std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
            // Scrolling is timed once per case.
            const ChildRun child =
                RunChild({self, "--load", dir.string(), std::to_string(lines), std::to_string(r == 0 ? pages : 0)},
                         true);
            if (child.status != 0 || Field(child.output, "end") != 1) {
                std::fprintf(stderr, "load of %ld lines failed (status %d): %s\n", lines, child.status,
                             child.output.c_str());
                failed = true;
                break;
            }
            load.push_back(Field(child.output, "load"));
            reload.push_back(Field(child.output, "reload"));
            peak.push_back(double(child.maxRssKilobytes) * 1024 / 1e6);
            extra.push_back((double(child.maxRssKilobytes) - Field(child.output, "baseline")) * 1024 / 1e6);
            if (r == 0) {
                pageCount = Field(child.output, "pages");
                pageMs = Field(child.output, "scroll") / std::max(1.0, pageCount);
                p99 = Field(child.output, "p99");
            }

            std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
            const ChildRun sort = RunChild({sortProgram, file.string()}, false, "LC_ALL=C");
            if (sort.status != 0) {
                std::fprintf(stderr, "sort failed (status %d)\n", sort.status);
                failed = true;
                break;
            }
            sortMs.push_back(sort.ms);
            sortPeak.push_back(double(sort.maxRssKilobytes) * 1024 / 1e6);

            const ChildRun dropDown = RunChild({self, "--dropdown", dir.string(), std::to_string(lines)}, true);
            if (dropDown.status != 0) {
                std::fprintf(stderr, "drop-down of %ld entries failed (status %d): %s\n", lines, dropDown.status,
                             dropDown.output.c_str());
                failed = true;
                break;
            }
            drop.push_back(Field(dropDown.output, "drop"));
            dropExtra.push_back((double(dropDown.maxRssKilobytes) - Field(dropDown.output, "baseline")) * 1024
                                / 1e6);
        }
        if (failed)
            break;
        const double l = MiddleOf(load), s = MiddleOf(sortMs), p = MiddleOf(peak), e = MiddleOf(extra);
        std::printf("%9ld %8.1f | %8.1f %8.1f %8.1f %6.2f | %8.1f %6.2f %8.1f %6.2f | %8.1f %8.1f %8.1f %6.2f %6.2f "
                    "| %6.0f %8.3f %8.2f\n",
                    lines, megabytes, l, MiddleOf(reload), s, l / s, p, p / megabytes, e, e / megabytes,
                    MiddleOf(sortPeak), historyMegabytes, MiddleOf(drop), MiddleOf(drop) / l,
                    MiddleOf(dropExtra) / historyMegabytes, pageCount, pageMs, p99);
        std::fflush(stdout);
    }
    std::printf(
        "load: first showing of the stored results window (read, sort, paint); +1: its next activation after a\n"
        "line was appended. peak: the load process's peak resident memory; +load: above its peak before the\n"
        "first load. hist MB: the processor history of as many entries; drop: its first drop-down (read, sort,\n"
        "list opened and painted), /load: against the results list's load; +/file: peak memory above the entry\n"
        "window's, over the history file's size. page ms: mean time to scroll one page and repaint the list\n"
        "(pages: how many, spread evenly); p99: 99%% of the pages took at most this.\n");
    return failed ? 1 : 0;
}
