// The build's identity: what --version prints and what the JSON documents
// and reports carry.
#pragma once

#include <QString>

namespace tarvo::cli {

// The JSON documents' "program": what --compare recognises its own documents by.
inline constexpr const char *ProgramName = "CPU Tarvo 32";

QString ProgramVersion(); // the CMake project's version, "1.0"
QString Architecture();   // the processor architecture the program was built for
QString Compiler();       // the compiler and its version

QString VersionText();

} // namespace tarvo::cli
