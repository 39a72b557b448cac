// What --help prints: the option table's lines (Options.h) within the
// command line's texts (CommandTexts.h).
#pragma once

#include <QString>

namespace tarvo::cli {

QString HelpText();

} // namespace tarvo::cli
