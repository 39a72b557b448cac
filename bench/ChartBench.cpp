// The picture's costs on a results file of 1,000,000 lines (or the count given):
//  - in this process, the file loaded as the windows load it (sorted), then
//    the picture of the loaded lines drawn to a PNG: what drawing adds;
//  - the command line whole, "--chart FILE.png" against "--report FILE.html"
//    (readings in turn, each a fresh process);
//  - the windows as a user opens them (ChartBenchWindows.h), in a fresh
//    process each time: the press on "Consulter", then Ctrl+G in the stored
//    results window, each timed until the program takes input again. With an
//    X server (DISPLAY) the input is real, through its test extension; without
//    one the windows are offscreen and each is opened by a call.
// Usage: tarvo_chart_bench [LINES [REPETITIONS]]
#include "ChartBenchWindows.h"
#include "Children.h"
#include "Measure.h"

#include "chart/ChartFiles.h"
#include "core/DataFiles.h"
#include "core/LineList.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using tarvo::bench::ProcessCpuMs;

// Each child's processor time is noted beside its wall-clock figure.
tarvo::bench::Bench *noted = nullptr;
bool real = false;

// One window child: the stored results window's load, then the "Graphique"
// window's opening; the second's figure is noted beside the first's.
double windows(const std::string &self, const fs::path &dir, long lines)
{
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    const tarvo::bench::ChildRun run =
        tarvo::bench::RunChild({self, "--windows", dir.string(), std::to_string(lines)}, true,
                               display ? "QT_QPA_PLATFORM=xcb" : "QT_QPA_PLATFORM=offscreen", true);
    if (run.status != 0)
        return tarvo::bench::Failed;
    real = tarvo::bench::Field(run.output, "real") == 1;
    const double load = tarvo::bench::Field(run.output, "load");
    const double graphique = tarvo::bench::Field(run.output, "graphique");
    const double loadCpu = tarvo::bench::Field(run.output, "loadcpu");
    const double graphiqueCpu = tarvo::bench::Field(run.output, "graphiquecpu");
    (*noted)["  processor time (Consulter)"].readings.push_back(loadCpu);
    (*noted)["Graphique window, Ctrl+G in it"].readings.push_back(graphique);
    (*noted)["  processor time (Ctrl+G)"].readings.push_back(graphiqueCpu);
    (*noted)["ratio Graphique / stored, wall x100"].readings.push_back(100.0 * graphique / load);
    (*noted)["ratio, processor x100"].readings.push_back(100.0 * graphiqueCpu / loadCpu);
    return load;
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
    if (argc == 4 && std::strcmp(argv[1], "--windows") == 0)
        return tarvo::bench::RunChartWindows(1, argv, argv[2], std::atol(argv[3]));
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
    const std::optional<tarvo::chart::Machine> machine = tarvo::chart::Machine{1000.0, {}};
    bench.Run("model of the loaded lines, processor time", [&] {
        const double start = ProcessCpuMs();
        const tarvo::chart::ChartModel model = tarvo::chart::BuildModel(list, machine);
        return model.results > 0 ? ProcessCpuMs() - start : tarvo::bench::Failed;
    });
    bench.Time("model of the loaded lines", [&] { tarvo::chart::BuildModel(list, machine); });
    const auto picture = [&] {
        tarvo::chart::SaveChart(tarvo::chart::BuildModel(list, machine),
                                QString::fromStdString((dir / "chart.png").string()));
    };
    bench.Time("picture of the loaded lines to PNG", picture);
    bench.Run("the same, processor time", [&] {
        const double start = ProcessCpuMs();
        picture();
        return ProcessCpuMs() - start;
    });
    bench.InTurn({{"zurezive --chart FILE.png", [&] { return program(dir, "--chart", "c.png"); }},
                  {"zurezive --report FILE.html", [&] { return program(dir, "--report", "r.html"); }}});
    const std::string self = fs::canonical("/proc/self/exe").string();
    bench.Run("stored results window, press on Consulter", [&] { return windows(self, dir, lines); });
    std::printf("%ld lines, %d repetitions, windows %s\n", lines, repetitions,
                real ? "pressed through the X server" : "offscreen, opened by calls");
    bench.Print(stdout, "ms");
    fs::remove_all(dir);
    return bench.failed() ? 1 : 0;
}
