// The chart benchmark's window child (ChartBenchWindows.h): the stored
// results window and then the "Graphique" window opened from it, each as a
// user opens them, timed from inside.
#include "ChartBenchWindows.h"
#include "Measure.h"
#include "Presser.h"

#include "AllForms.h"
#include "ChartView.h"
#include "UnitConsulter.h"
#include "UnitGraphique.h"
#include "UnitPrincipale.h"

#include "framework/Application.h"
#include "framework/ListBox.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

namespace {

using tarvo::bench::Clock;
using tarvo::bench::idleFor;
using tarvo::bench::msSince;
using tarvo::bench::ProcessCpuMs;

constexpr int idleMs = 1000;

// Ctrl+G in the stored results window: typed through the X server, or, with
// none, the shortcut's handler called.
double openGraphique(tarvo::bench::Presser &presser, QWidget *list)
{
    if (presser.real())
        return presser.pressControlKey(list, list->rect().center(), 0x67);
    const Clock::time_point start = Clock::now();
    ShowGraphique();
    QCoreApplication::processEvents();
    return msSince(start);
}

int run(long expected)
{
    tarvo::TApplication::Initialize();
    CreateAllForms();
    auto *consulter = FormPrincipale->findChild<QPushButton *>(QStringLiteral("ButtonConsulter"));
    auto *list = FormConsulter->findChild<tarvo::TListBox *>(QStringLiteral("ListDonnees"));
    if (!consulter || !list)
        return 2;
    FormPrincipale->setVisible(true);
    tarvo::bench::Presser presser;
    idleFor(idleMs);

    double cpu = ProcessCpuMs();
    const double load = presser.press(consulter, consulter->rect().center());
    const double loadCpu = ProcessCpuMs() - cpu;
    if (load < 0 || list->count() != expected) {
        std::fprintf(stderr, "the list holds %d lines, not %ld\n", list->count(), expected);
        return 3;
    }
    idleFor(idleMs);
    cpu = ProcessCpuMs();
    const double graphique = openGraphique(presser, list->viewport());
    const double graphiqueCpu = ProcessCpuMs() - cpu;
    const auto *chart = FormGraphique ? FormGraphique->findChild<ChartView *>(QStringLiteral("Graphique")) : nullptr;
    if (graphique < 0 || !chart || !FormGraphique->isVisible()
        || chart->model().results + chart->model().leftOut != expected) {
        std::fprintf(stderr, "the Graphique window did not open on %ld lines\n", expected);
        return 3;
    }
    std::printf("load=%.3f graphique=%.3f loadcpu=%.3f graphiquecpu=%.3f real=%d\n", load, graphique, loadCpu,
                graphiqueCpu, presser.real() ? 1 : 0);
    tarvo::TApplication::DestroyForms();
    return 0;
}

} // namespace

int tarvo::bench::RunChartWindows(int argc, char *argv[], const char *dir, long expected)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The windows take their files' paths from the working directory.
    if (!QDir::setCurrent(QString::fromLocal8Bit(dir)))
        return 2;
    return run(expected);
}
