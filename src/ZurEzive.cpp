// CPU Tarvo 32: creates the six windows once and runs the message loop until
// the main window closes.
#include "AllForms.h"

#include "framework/Application.h"

#include <QApplication>

using tarvo::TApplication;

int main(int argc, char *argv[])
{
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
