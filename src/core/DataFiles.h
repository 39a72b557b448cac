// The data files in the working directory: their names and paths, and what a
// text must be to be kept in them. Lines are built whole by StoredResult.h and
// appended whole by FileAppend.h: the files are never rewritten. The entry window and the command line write them; the viewing
// windows and the command line read them (LineList.h).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

inline constexpr std::string_view ResultsFileName = "TARVODAT.TXT";
inline constexpr std::string_view HistoryCPUName = "_CPU.TXT";
inline constexpr std::string_view HistoryFreqOrigineName = "_FORIG.TXT";
inline constexpr std::string_view HistoryFreqOverclockName = "_FOVER.TXT";
inline constexpr std::string_view HistoryCarteMereName = "_CMERE.TXT";

// The working directory, a separator, then the name; the separator is added even
// when the directory ends in one. The directory may be of any length. When it
// cannot be named (it was deleted, or a parent is not readable), the name alone:
// the file is then reached relative to it.
std::string DataFilePath(std::string_view name);

// What printf("%12.2f") writes in the C locale, whatever locale the process
// runs under: a point, no grouping, correctly rounded from the exact binary
// value (a tie goes to the even digit), padded on the left with spaces to
// `width`, never cut.
std::string FormatFixed2(double value, int width = 12);

// The longest description a data file takes, in characters: far beyond any
// real processor or motherboard name, and short enough for an edit field to
// show it at once (a line of millions of characters takes it seconds to draw).
inline constexpr qsizetype LongestText = 10000;

// The Windows-1252 bytes of a text kept in a data file. Throws EEncodingError for
// a text longer than LongestText, for a character the code page cannot hold,
// for a line end, which would split the line in two, and for any other control
// character.
QByteArray DataText(const QString &text);

} // namespace tarvo
