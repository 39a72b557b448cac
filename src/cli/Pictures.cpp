#include "cli/Pictures.h"

#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Report.h"

#include "chart/ChartFiles.h"
#include "core/DataFiles.h"
#include "core/FileOpening.h"
#include "core/LineList.h"

#include <QGuiApplication>

#include <memory>

namespace tarvo::cli {

namespace {

// Fonts and painting need a GUI application; the offscreen platform needs no
// display, whatever DISPLAY or WAYLAND_DISPLAY say.
std::unique_ptr<QGuiApplication> offscreenGui()
{
    if (QGuiApplication::instance())
        return nullptr;
    static int argc = 3;
    static char name[] = "zurezive", option[] = "-platform", platform[] = "offscreen";
    static char *argv[] = {name, option, platform, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Standard error is for the command line's own French lines: Qt's notes on
// the offscreen platform's settings are not for the user.
void quietQt(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        Say(message);
}

} // namespace

void DrawRequestedPictures(const PictureRequest &request)
{
    qInstallMessageHandler(quietQt);
    const auto gui = offscreenGui();
    const std::string resultsPath = DataFilePath(ResultsFileName);
    LineList lines;
    // A missing results file holds no result; one the windows refuse is refused.
    if (!IsMissing(resultsPath))
        lines.loadSorted(resultsPath);
    std::optional<chart::Machine> machine;
    if (request.machineIndex)
        machine = chart::Machine{*request.machineIndex, {}};
    const chart::ChartModel model = chart::BuildModel(lines, machine);
    if (request.options.chart)
        chart::SaveChart(model, *request.options.chart);
    if (request.options.report)
        WriteReport(*request.options.report, model, request);
}

} // namespace tarvo::cli
