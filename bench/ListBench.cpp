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
#include "AllForms.h"
#include "Children.h"
#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitPrincipale.h"
#include "UnitSaisie.h"

#include "core/DataFiles.h"
#include "core/FileAppend.h"
#include "framework/Application.h"
#include "framework/ComboBox.h"
#include "framework/ListBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#if TARVO_BENCH_XTEST
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
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

// A kilobytes field of /proc/self/status (VmRSS, VmHWM).
long statusKilobytes(const char *name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

// --- The children -----------------------------------------------------------

// What both children do first: the six windows, their files in `dir`.
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

// Runs the loop for `ms` milliseconds, as it runs between a user's clicks:
// asleep until something comes.
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Sees when the loop takes the pointer move that follows a press: the press's
// handler has returned and the loop has done what was waiting before it. The
// move is sent once the release is being handled: sent with the press, it may
// come before the release (a window manager holds the press a moment to give
// the focus).
class LoopWatch : public QObject {
public:
    LoopWatch() { qApp->installEventFilter(this); }
    // `loop` is left once the loop is free.
    void arm(QEventLoop *loop)
    {
        loop_ = loop;
        released_ = false;
        free_ = false;
    }
    bool released() const { return released_; }
    bool free() const { return free_; }
    Clock::time_point freeAt() const { return freeAt_; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (!event->spontaneous())
            return false;
        if (event->type() == QEvent::MouseButtonRelease)
            released_ = true;
        else if (released_ && !free_ && event->type() == QEvent::MouseMove) {
            free_ = true;
            freeAt_ = Clock::now();
            loop_->quit();
        }
        return false;
    }

private:
    QEventLoop *loop_ = nullptr;
    std::atomic<bool> released_ = false;
    bool free_ = false;
    Clock::time_point freeAt_;
};

// Presses at a point of a widget: a real press through the X server where
// there is one, else one made by a call (offscreen).
class Presser {
public:
    Presser()
    {
#if TARVO_BENCH_XTEST
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_query_extension_reply_t *test = xcb_get_extension_data(connection_, &xcb_test_id);
        if (!test || !test->present)
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        real_ = true;
#endif
    }
    ~Presser()
    {
#if TARVO_BENCH_XTEST
        if (connection_)
            xcb_disconnect(connection_);
#endif
    }
    Presser(const Presser &) = delete;
    Presser &operator=(const Presser &) = delete;

    bool real() const { return real_; }

    // From the press at `local` in `target` until the loop is free again, in ms;
    // negative when the point is not on the widget (covered) or the loop never
    // came back.
    double press(QWidget *target, QPoint local)
    {
        const QPoint global = target->mapToGlobal(local);
        if (real_ && QApplication::widgetAt(global) != target) {
            std::fprintf(stderr, "%s is covered at %d,%d\n", qPrintable(target->objectName()), global.x(),
                         global.y());
            return -1;
        }
        if (!real_) {
            // The offscreen platform has no input of its own: the press and
            // release are sent, then the loop runs what they left to do. The
            // window is activated with the press, as a window manager does.
            const Clock::time_point start = Clock::now();
            target->window()->activateWindow();
            const QPointF at(local);
            QMouseEvent press(QEvent::MouseButtonPress, at, QPointF(global), Qt::LeftButton, Qt::LeftButton, {});
            QMouseEvent release(QEvent::MouseButtonRelease, at, QPointF(global), Qt::LeftButton, {}, {});
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
            QCoreApplication::processEvents();
            return msSince(start);
        }
#if TARVO_BENCH_XTEST
        const qreal ratio = target->window()->devicePixelRatio();
        const auto x = std::int16_t(global.x() * ratio), y = std::int16_t(global.y() * ratio);
        fake(XCB_MOTION_NOTIFY, 0, x, y);
        xcb_flush(connection_);
        idleFor(100); // the pointer there before the press, as a user's
        QEventLoop loop;
        watch_.arm(&loop);
        const Clock::time_point start = Clock::now();
        fake(XCB_BUTTON_PRESS, 1, x, y);
        fake(XCB_BUTTON_RELEASE, 1, x, y);
        xcb_flush(connection_);
        // xcb may be used from two threads.
        std::atomic<bool> stop = false;
        std::thread mover([&] {
            while (!watch_.released() && !stop)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            fake(XCB_MOTION_NOTIFY, 0, std::int16_t(x + 1), y);
            xcb_flush(connection_);
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        stop = true;
        mover.join();
        if (!watch_.free())
            return -1;
        return std::chrono::duration<double, std::milli>(watch_.freeAt() - start).count();
#else
        return -1;
#endif
    }

private:
#if TARVO_BENCH_XTEST
    void fake(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y)
    {
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root_ : XCB_NONE,
                            x, y, 0);
    }

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    LoopWatch watch_;
#endif
    bool real_ = false;
};

QPoint centreOf(QWidget *widget)
{
    return widget->rect().center();
}

// A point of `widget` not covered by another window, or none.
std::optional<QPoint> uncoveredPoint(QWidget *widget)
{
    for (int y = widget->height() - 8; y > 4; y -= 16)
        for (int x = 8; x < widget->width() - 4; x += 16)
            if (QApplication::widgetAt(widget->mapToGlobal(QPoint(x, y))) == widget)
                return QPoint(x, y);
    return std::nullopt;
}

int runLoad(const char *dir, long expected, int pages, int idleMs)
{
    if (!startApplication(dir))
        return 2;
    auto *consulterList = FormConsulter->findChild<tarvo::TListBox *>(QStringLiteral("ListDonnees"));
    auto *comparerList = FormComparer->findChild<tarvo::TListBox *>(QStringLiteral("ListDonnees"));
    auto *consulter = FormPrincipale->findChild<QPushButton *>(QStringLiteral("ButtonConsulter"));
    auto *comparer = FormPrincipale->findChild<QPushButton *>(QStringLiteral("ButtonComparer"));
    if (!consulterList || !comparerList || !consulter || !comparer)
        return 2;
    FormPrincipale->setVisible(true);
    Presser presser;
    idleFor(std::max(idleMs, 300));

    const long before = statusKilobytes("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak from here on
    const double load = presser.press(consulter, centreOf(consulter));
    if (load < 0 || consulterList->count() != expected) {
        std::fprintf(stderr, "the list holds %d lines, not %ld\n", consulterList->count(), expected);
        return 3;
    }

    // Back to the main window, then "Comparer", which only a recorded result enables.
    FormPrincipale->raise();
    FormPrincipale->activateWindow();
    idleFor(300);
    comparer->setEnabled(true);
    const double second = presser.press(comparer, centreOf(comparer));
    if (second < 0 || comparerList->count() != expected) {
        std::fprintf(stderr, "the comparison list holds %d lines, not %ld\n", comparerList->count(), expected);
        return 3;
    }

    // A result recorded; the main window comes first, then a click into the
    // comparison window, whose activation reloads it.
    tarvo::ResultRecord record;
    record.Processeur = QStringLiteral("Ajout");
    tarvo::AppendToFile(tarvo::DataFilePath(tarvo::ResultsFileName), tarvo::ResultLine(record));
    FormPrincipale->raise();
    FormPrincipale->activateWindow();
    idleFor(300);
    const std::optional<QPoint> into =
        presser.real() ? uncoveredPoint(comparerList->viewport()) : std::optional(QPoint(8, 8));
    const double reload = into ? presser.press(comparerList->viewport(), *into) : -1;
    const long peak = statusKilobytes("VmHWM");
    if (reload < 0 || comparerList->count() != expected + 1) {
        std::fprintf(stderr, "the reloaded list holds %d lines, not %ld\n", comparerList->count(), expected + 1);
        return 3;
    }

    // From the top to the bottom, a page at a time, each page painted before the
    // next; a long list is sampled by pages spread evenly over it.
    tarvo::TListBox *list = consulterList;
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(0);
    list->viewport()->repaint();
    std::vector<double> pageTimes;
    const int steps = std::max(1, bar->maximum() / std::max(1, bar->pageStep()));
    const int stride = std::max(1, steps / std::max(1, pages)) * bar->pageStep();
    Clock::time_point start = Clock::now();
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
    std::printf("load=%.1f second=%.1f reload=%.1f before=%ld peak=%ld pages=%zu scroll=%.1f p99=%.3f end=%d "
                "real=%d\n",
                load, second, reload, before, peak, pageTimes.size(), scroll, p99, reachedEnd ? 1 : 0,
                presser.real() ? 1 : 0);
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
    const long before = statusKilobytes("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";

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
    std::printf("drop=%.1f redrop=%.1f before=%ld peak=%ld\n", times[0], times[1], before,
                statusKilobytes("VmHWM"));
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

// "median (lowest-highest)" of a few runs.
std::string spread(const std::vector<double> &values)
{
    if (values.empty())
        return "-";
    char text[64];
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", MiddleOf(values), *low, *high);
    return text;
}

// What one build's children measured on one file.
struct Figures {
    std::vector<double> idleLoad, load, second, reload, growth, drop, dropGrowth;
    double pageCount = 0, pageMs = 0, p99 = 0;
    bool real = false;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && (std::strcmp(argv[1], "--load") == 0 || std::strcmp(argv[1], "--dropdown") == 0)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        const long expected = std::strtol(argv[3], nullptr, 10);
        if (argv[1][2] == 'l')
            return runLoad(argv[2], expected, argc >= 5 ? std::atoi(argv[4]) : 0, argc >= 6 ? std::atoi(argv[5]) : 0);
        return runDropDown(argv[2], expected);
    }

    int repeat = 3;
    int pages = 2000;
    double idleSeconds = 4;
    std::vector<long> sizes;
    std::filesystem::path root;
    std::string beforeProgram;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) {
            pages = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--idle") == 0 && i + 1 < argc) {
            idleSeconds = std::max(0.0, std::atof(argv[++i]));
        } else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
            beforeProgram = std::filesystem::canonical(argv[++i]).string();
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
        char pattern[] = "/tmp/tarvo_list_bench.XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        root = pattern;
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string sortProgram = std::filesystem::exists("/usr/bin/sort") ? "/usr/bin/sort" : "/bin/sort";
    const int idleMs = int(idleSeconds * 1000);
    // The builds compared: this one, and the one before it when given.
    std::vector<std::pair<std::string, std::string>> builds{{"after", self}};
    if (!beforeProgram.empty())
        builds.insert(builds.begin(), {"before", beforeProgram});

    std::printf("Files under %s; median (lowest-highest) of %d runs per case; one child process per run;\n"
                "idle: after %.1f s of idle loop and memory; b2b: right after the previous process.\n",
                root.c_str(), repeat, idleSeconds);
    std::printf("%9s %6s %-6s | %-18s %-18s | %-18s %-18s | %5s %5s | %-16s %-14s | %8s %5s | %-14s %6s | %6s %7s\n",
                "lines", "MB", "build", "click ms idle", "click ms b2b", "sort ms idle", "sort ms b2b", "/sort", "b2b",
                "2nd window ms", "reload ms", "+MB", "/file", "drop ms", "+/file", "pages", "page ms");
    bool failed = false;
    bool real = false;
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

        std::vector<Figures> figures(builds.size());
        std::vector<double> sortIdle, sortBackToBack;
        const auto sortOnce = [&](std::vector<double> &into, bool idle) {
            std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
            if (idle)
                std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
            const ChildRun sort = RunChild({sortProgram, file.string()}, false, "LC_ALL=C");
            if (sort.status != 0) {
                std::fprintf(stderr, "sort failed (status %d)\n", sort.status);
                failed = true;
            }
            into.push_back(sort.ms);
        };
        for (int r = 0; r < repeat && !failed; ++r) {
            sortOnce(sortIdle, true);
            for (std::size_t b = 0; b < builds.size() && !failed; ++b) {
                Figures &f = figures[b];
                for (const bool idle : {true, false}) {
                    std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
                    // Scrolling is timed once per case.
                    const int pageCount = r == 0 && !idle ? pages : 0;
                    const ChildRun child = RunChild({builds[b].second, "--load", dir.string(), std::to_string(lines),
                                                     std::to_string(pageCount), std::to_string(idle ? idleMs : 0)},
                                                    true);
                    if (child.status != 0 || Field(child.output, "end") != 1) {
                        std::fprintf(stderr, "%s: load of %ld lines failed (status %d): %s\n",
                                     builds[b].first.c_str(), lines, child.status, child.output.c_str());
                        failed = true;
                        break;
                    }
                    (idle ? f.idleLoad : f.load).push_back(Field(child.output, "load"));
                    f.real = Field(child.output, "real") == 1;
                    real = real || f.real;
                    if (idle)
                        continue;
                    f.second.push_back(Field(child.output, "second"));
                    f.reload.push_back(Field(child.output, "reload"));
                    f.growth.push_back((Field(child.output, "peak") - Field(child.output, "before")) * 1024 / 1e6);
                    if (pageCount > 0) {
                        f.pageCount = Field(child.output, "pages");
                        f.pageMs = Field(child.output, "scroll") / std::max(1.0, f.pageCount);
                        f.p99 = Field(child.output, "p99");
                    }
                }
                if (failed)
                    break;
                const ChildRun dropDown = RunChild({builds[b].second, "--dropdown", dir.string(), std::to_string(lines)},
                                                   true);
                if (dropDown.status != 0) {
                    std::fprintf(stderr, "drop-down of %ld entries failed (status %d): %s\n", lines, dropDown.status,
                                 dropDown.output.c_str());
                    failed = true;
                    break;
                }
                f.drop.push_back(Field(dropDown.output, "drop"));
                f.dropGrowth.push_back((Field(dropDown.output, "peak") - Field(dropDown.output, "before")) * 1024 / 1e6);
            }
            sortOnce(sortBackToBack, false);
        }
        if (failed)
            break;
        for (std::size_t b = 0; b < builds.size(); ++b) {
            const Figures &f = figures[b];
            const double g = MiddleOf(f.growth);
            std::printf("%9ld %6.1f %-6s | %-18s %-18s | %-18s %-18s | %5.2f %5.2f | %-16s %-14s | %8.1f %5.2f | "
                        "%-14s %6.2f | %6.0f %7.3f\n",
                        lines, megabytes, builds[b].first.c_str(), spread(f.idleLoad).c_str(), spread(f.load).c_str(),
                        spread(sortIdle).c_str(), spread(sortBackToBack).c_str(),
                        MiddleOf(f.idleLoad) / MiddleOf(sortIdle), MiddleOf(f.load) / MiddleOf(sortBackToBack),
                        spread(f.second).c_str(), spread(f.reload).c_str(), g, g / megabytes, spread(f.drop).c_str(),
                        MiddleOf(f.dropGrowth) / historyMegabytes, f.pageCount, f.pageMs);
        }
        std::fflush(stdout);
    }
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
    return failed ? 1 : 0;
}
