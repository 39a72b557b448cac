// The picture's costs on a results file of 1,000,000 lines (or the count given):
//  - in this process, the file loaded as the windows load it (sorted), then
//    the picture of the loaded lines drawn to a PNG: what drawing adds;
//  - the command line whole, "--chart FILE.png" against "--report FILE.html"
//    (readings in turn, each a fresh process);
//  - the windows offscreen, each shown by a call and painted: the stored
//    results window's load against the "Graphique" window's first opening
//    (each in a fresh process, so that neither finds the other's list).
// Usage: tarvo_chart_bench [LINES [REPETITIONS]]
#include "Children.h"
#include "Measure.h"

#include "AllForms.h"
#include "UnitConsulter.h"
#include "UnitGraphique.h"

#include "chart/ChartFiles.h"
#include "core/DataFiles.h"
#include "core/LineList.h"
#include "framework/Application.h"

#include <QApplication>
#include <QDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A child: one window shown by a call and painted, timed; prints "ms=".
int windowChild(int argc, char *argv[], bool graphique)
{
    QApplication app(argc, argv);
    tarvo::TApplication::Initialize();
    CreateAllForms();
    const Clock::time_point start = Clock::now();
    if (graphique)
        ShowGraphique();
    else
        FormConsulter->setVisible(true);
    QApplication::processEvents();
    std::printf("ms=%.3f\n", msSince(start));
    return 0;
}

// This process's processor time, in milliseconds: on a busy machine the wall
// clock also counts the other processes' turns.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Each child's processor time is noted beside its wall-clock figure.
tarvo::bench::Bench *noted = nullptr;

double child(const std::string &self, const char *what, const fs::path &dir)
{
    const tarvo::bench::ChildRun run =
        tarvo::bench::RunChild({self, what, dir.string()}, true, "QT_QPA_PLATFORM=offscreen", true);
    (*noted)[std::string(what) + " window, its processor time"].readings.push_back(run.cpuSeconds * 1e3);
    return run.status == 0 ? tarvo::bench::Field(run.output, "ms") : tarvo::bench::Failed;
}

double program(const fs::path &dir, const char *option, const char *file)
{
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    const tarvo::bench::ChildRun run = tarvo::bench::RunChild({TARVO_PROGRAM, option, file}, false);
    fs::current_path(previous);
    (*noted)[std::string(option) + ", its processor time"].readings.push_back(run.cpuSeconds * 1e3);
    return run.status == 0 ? run.ms : tarvo::bench::Failed;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && (std::strcmp(argv[1], "consulter") == 0 || std::strcmp(argv[1], "graphique") == 0)) {
        if (!QDir::setCurrent(QString::fromLocal8Bit(argv[2])))
            return 2;
        return windowChild(1, argv, std::strcmp(argv[1], "graphique") == 0);
    }
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path dir = fs::temp_directory_path() / ("tarvo-chart-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    tarvo::bench::WriteLines(dir / "TARVODAT.TXT", lines, 7, tarvo::bench::ResultLineText);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    tarvo::bench::Bench bench(repetitions);
    noted = &bench;
    const std::string results = (dir / "TARVODAT.TXT").string();
    tarvo::LineList list;
    bench.Time("load (sorted, as the windows)", [&] {
        list = tarvo::LineList();
        list.loadSorted(results);
    });
    const auto picture = [&] {
        tarvo::chart::SaveChart(tarvo::chart::BuildModel(list, tarvo::chart::Machine{1000.0, {}}),
                                QString::fromStdString((dir / "chart.png").string()));
    };
    bench.Time("picture of the loaded lines to PNG", picture);
    bench.Run("the same, processor time", [&] {
        const double start = cpuMs();
        picture();
        return cpuMs() - start;
    });
    bench.InTurn({{"zurezive --chart FILE.png", [&] { return program(dir, "--chart", "c.png"); }},
                  {"zurezive --report FILE.html", [&] { return program(dir, "--report", "r.html"); }}});
    const std::string self = fs::canonical("/proc/self/exe").string();
    bench.InTurn({{"stored results window shown", [&] { return child(self, "consulter", dir); }},
                  {"Graphique window shown", [&] { return child(self, "graphique", dir); }}});
    std::printf("%ld lines, %d repetitions, offscreen\n", lines, repetitions);
    bench.Print(stdout, "ms");
    fs::remove_all(dir);
    return bench.failed() ? 1 : 0;
}
