// What --help and --version print, and the build's identity that the JSON
// documents carry too.
#pragma once

#include <QString>

namespace tarvo::cli {

QString ProgramVersion(); // the CMake project's version, "1.0"
QString Architecture();   // the processor architecture the program was built for
QString Compiler();       // the compiler and its version

QString HelpText();
QString VersionText();

} // namespace tarvo::cli
