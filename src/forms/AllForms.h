// The six windows of the application, created once in their fixed order (the
// first is the main form), each stored in its global reference.
#pragma once

void CreateAllForms();
