// CPU Tarvo 32: creates the six windows once, in their fixed order, and runs the
// message loop until the main window closes.
#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitDetails.h"
#include "UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"

#include "framework/Application.h"

#include <QApplication>

using tarvo::TApplication;

int main(int argc, char *argv[])
{
    QApplication qtApplication(argc, argv);
    try {
        TApplication::Initialize();
        TApplication::CreateForm(FormPrincipale);
        TApplication::CreateForm(FormTest);
        TApplication::CreateForm(FormSaisie);
        TApplication::CreateForm(FormConsulter);
        TApplication::CreateForm(FormDetails);
        TApplication::CreateForm(FormComparer);
        TApplication::Run();
    } catch (const std::exception &error) {
        TApplication::ShowException(error);
    }
    TApplication::DestroyForms();
    return 0;
}
