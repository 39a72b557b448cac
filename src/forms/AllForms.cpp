#include "AllForms.h"

#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitDetails.h"
#include "UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"

#include "framework/Application.h"

void CreateAllForms()
{
    using tarvo::TApplication;
    TApplication::CreateForm(FormPrincipale);
    TApplication::CreateForm(FormTest);
    TApplication::CreateForm(FormSaisie);
    TApplication::CreateForm(FormConsulter);
    TApplication::CreateForm(FormDetails);
    TApplication::CreateForm(FormComparer);
}
