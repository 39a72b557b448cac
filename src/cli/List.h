// --list: the stored results in the order of the stored results window, as
// CSV (RFC 4180, a header line, CR LF line ends) or JSON, in UTF-8. Each
// well-formed line (core/StoredResult.h) gives its fields; any other line gives
// its text alone, in the last column or as "unparsed_line", so that nothing
// of the file is left out. The file is read as the window reads it, with its
// refusals; the output is written as it goes.
#pragma once

#include "cli/Options.h"
#include "cli/Output.h"

#include <QByteArrayView>

#include <string>

namespace tarvo::cli {

// Throws EFOpenError as the window would refuse the file.
void ListResults(const std::string &resultsPath, Format format, Output &out);

// One CSV field from Windows-1252 bytes, quoted when it holds a separator
// (comma or semicolon), a quote, or spaces at either end. A field a
// spreadsheet would take for a formula (=, +, -, @, tab, CR first) begins with
// a quote; control bytes come out as their control pictures. Written at
// `into`, which has room for 3 bytes a byte and 3 more; returns its end.
char *WriteCsvField(char *into, QByteArrayView windows1252);
// The same, at the end of `row`.
void AppendCsvField(std::string &row, QByteArrayView windows1252);

} // namespace tarvo::cli
