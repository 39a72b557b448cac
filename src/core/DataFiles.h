// The data files in the working directory: their names and paths, the results
// line, the history entries, and what a text must be to be kept in them. Lines
// are built whole here and appended whole by FileAppend.h: the files are never
// rewritten. The entry window and the command line write them; the viewing
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

// The part of the machine record that a results line holds.
struct ResultRecord {
    QString Processeur;
    std::int32_t FreqOrigine = -1;
    std::int32_t FreqOverclock = -1;
    QString CarteMere;
    float ResultatEntier = -1.0f;
    float ResultatFlottant = -1.0f;
    float Indice = -1.0f;
};

// The longest description a data file takes, in characters: far beyond any
// real processor or motherboard name, and short enough for an edit field to
// show it at once (a line of millions of characters takes it seconds to draw).
inline constexpr qsizetype LongestText = 10000;

// The Windows-1252 bytes of a text kept in a data file. Throws EEncodingError for
// a text longer than LongestText, for a character the code page cannot hold,
// for a line end, which would split the line in two, and for any other control
// character.
QByteArray DataText(const QString &text);

// The machine's description as a results line and the comparison row show it:
// "processor origin à overclock     [CM motherboard]".
QString ConfigurationText(const QString &processeur, std::int32_t freqOrigine, std::int32_t freqOverclock,
                          const QString &carteMere);

// One results line, CR LF included: index, floating result, integer result,
// twelve spaces, then "processor origin à overclock     [CM motherboard]".
// Throws EEncodingError as DataText does; nothing is built then.
QByteArray ResultLine(const ResultRecord &record);

// One history entry, CR LF included: the text as it is, or the number in decimal.
QByteArray HistoryEntry(const QString &text);
QByteArray HistoryEntry(std::int32_t value);

} // namespace tarvo
