// Creates the six windows once per test executable, in the application's order;
// modal dialogs are driven through ModalDialogs.h.
#pragma once

#include "AllForms.h"
#include "UnitComparer.h"
#include "UnitConsulter.h"
#include "UnitDetails.h"
#include "UnitPrincipale.h"
#include "UnitSaisie.h"
#include "UnitTest.h"

#include "../ModalDialogs.h"
#include "framework/Application.h"
#include "framework/Form.h"

#include <QApplication>
#include <QTest>

inline void createAllForms()
{
    tarvo::TApplication::Initialize();
    CreateAllForms();
}
