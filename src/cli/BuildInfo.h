// The build's identity: what --version prints and what the JSON documents
// and reports carry.
#pragma once

#include <QString>

namespace tarvo::cli {

QString ProgramVersion(); // the CMake project's version, "1.0"
QString Architecture();   // the processor architecture the program was built for
QString Compiler();       // the compiler and its version

QString VersionText();

} // namespace tarvo::cli
