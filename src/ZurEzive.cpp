// CPU Tarvo 32: creates the six windows once and runs the message loop until
// the main window closes; with options of its own, works from the command line
// instead (src/cli), before anything of Qt's GUI is touched.
#include "AllForms.h"

#include "cli/CommandLine.h"
#include "cli/Pictures.h"
#include "core/FileAppend.h"
#include "framework/Application.h"

#include <QApplication>

using tarvo::TApplication;

int main(int argc, char *argv[])
{
    // Both ways append to the data files.
    tarvo::IgnoreFileSizeSignal();
    if (tarvo::cli::WantsCommandLine(argc, argv))
        return tarvo::cli::RunCommandLine(argc, argv, tarvo::cli::DrawRequestedPictures);
    const auto qtApplication = TApplication::Open(argc, argv);
    try {
        TApplication::Initialize();
        CreateAllForms();
        TApplication::Run();
    } catch (const std::exception &error) {
        TApplication::ShowException(error);
    }
    TApplication::DestroyForms();
    return 0;
}
