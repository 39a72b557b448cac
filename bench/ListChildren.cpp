// The list benchmark's children (ListChildren.h): the windows on a results
// file, pressed as a user presses them, timed from inside.
#include "AllForms.h"
#include "ListChildren.h"
#include "Presser.h"
#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitPrincipale.h"
#include "UnitSaisie.h"

#include "core/StoredResult.h"
#include "core/FileAppend.h"
#include "framework/Application.h"
#include "framework/ComboBox.h"
#include "framework/ListBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QPushButton>
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
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using tarvo::bench::Clock;
using tarvo::bench::idleFor;
using tarvo::bench::msSince;
using tarvo::bench::Presser;

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

struct Scroll {
    std::size_t pages = 0;
    double ms = 0;
    double p99 = 0;
    bool reachedEnd = false;
};

// From the top to the bottom, a page at a time, each page painted before the
// next; a long list is sampled by at most `pages` pages spread evenly over it.
Scroll scrollThrough(tarvo::TListBox *list, int pages)
{
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
    Scroll scroll;
    scroll.ms = msSince(start);
    const int top = list->indexAt(QPoint(1, 1)).row();
    scroll.reachedEnd = pages == 0 || (top >= 0 && top + bar->pageStep() >= list->count() - 1);
    // The slowest pages say more about the other processes on the machine than
    // about the list: the 99th percentile is given beside the worst.
    std::sort(pageTimes.begin(), pageTimes.end());
    scroll.p99 = pageTimes.empty() ? 0 : pageTimes[pageTimes.size() * 99 / 100];
    scroll.pages = pageTimes.size();
    return scroll;
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

    const Scroll scrolled = scrollThrough(consulterList, pages);
    std::printf("load=%.1f second=%.1f reload=%.1f before=%ld peak=%ld pages=%zu scroll=%.1f p99=%.3f end=%d "
                "real=%d\n",
                load, second, reload, before, peak, scrolled.pages, scrolled.ms, scrolled.p99, scrolled.reachedEnd ? 1 : 0,
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

} // namespace

int tarvo::bench::RunListChild(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long expected = std::strtol(argv[3], nullptr, 10);
    if (argv[1][2] == 'l')
        return runLoad(argv[2], expected, argc >= 5 ? std::atoi(argv[4]) : 0, argc >= 6 ? std::atoi(argv[5]) : 0);
    return runDropDown(argv[2], expected);
}

