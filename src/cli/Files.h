// Reading the data files from the command line, with the windows' refusals:
// only regular files, messages in French naming the file and the reason.
#pragma once

#include <QByteArray>

#include <string>

namespace tarvo::cli {

// Whether nothing at all is at the path (a file that does not exist yet).
bool IsMissing(const std::string &path);

// The whole file. Throws EFOpenError when it cannot be opened or read, is not
// a regular file, or does not fit in memory.
QByteArray ReadWholeFile(const std::string &path);

} // namespace tarvo::cli
