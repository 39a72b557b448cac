// The text of a command-line argument: bytes in the locale's character set
// (LC_ALL, LC_CTYPE, LANG), which need not be UTF-8, whatever Qt assumes.
#pragma once

#include <QString>

namespace tarvo::cli {

// Decoded with the codeset of the environment's locale; UTF-8 when there is
// none or it cannot be read.
QString ArgumentText(const char *bytes);

// Decoded from `codeset` (an iconv name); a byte it cannot decode becomes
// U+FFFD, as Qt's UTF-8 decoding does.
QString ArgumentText(const char *bytes, const char *codeset);

} // namespace tarvo::cli
