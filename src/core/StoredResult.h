// A stored result: the machine's description and its three results as one
// line of the results file, and the description's values as entries of the
// four history lists. Every rule of a stored result lives here once: what a
// description must be for "OK" and --save to take it, the line's bytes as
// they are written and as they are read back, what a line may hold for
// --merge to take it, and how a value joins its history. The entry window and
// the command line both call this unit; the files are DataFiles.h's and the
// appends FileAppend.h's.
#pragma once

#include "core/DataFiles.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// What the input boxes offer before anything is typed; "OK" refuses them.
inline constexpr char NoProcessorMarker[] = "NoCPU";
inline constexpr char NoMotherboardMarker[] = "NoCarteMere";

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

// The four values of a description, in the entry window's order.
enum class DescriptionField { Processor, BaseFrequency, OverclockFrequency, Motherboard };

struct DescriptionFault {
    DescriptionField field;
    QString reason; // French, a sentence
    bool text;      // a text the files cannot hold, rather than a value "OK" refuses
};

// The checks of "OK", in its order: a processor and a motherboard given (not
// empty, not the markers), frequencies of at least 1. The first that fails;
// the window keeps the values before it.
std::optional<DescriptionFault> DescriptionRule(const ResultRecord &record);

// A description as --save and --merge check it: first the two texts as the
// files hold them (DataText: length, line ends, control characters, code
// page), then the checks of "OK".
std::optional<DescriptionFault> CheckDescription(const ResultRecord &record);

// The machine's description as a results line and the comparison row show it:
// "processor origin à overclock     [CM motherboard]".
QString ConfigurationText(const QString &processeur, std::int32_t freqOrigine, std::int32_t freqOverclock,
                          const QString &carteMere);

// One results line, CR LF included: index, floating result, integer result,
// each as "%12.2f", twelve spaces, then the configuration text.
// Throws EEncodingError as DataText does; nothing is built then.
QByteArray ResultLine(const ResultRecord &record);

// A results line taken apart, as stored.
struct ResultFields {
    // The three results as stored, without their padding ("42.00").
    std::string_view indiceText, flottantText, entierText;
    std::int32_t freqOrigine, freqOverclock;
    // Windows-1252 bytes, as stored.
    QByteArrayView processeur, carteMere;
};

// `line` without its line end, and without a CR or LF inside, as a line of a
// LineList is. Fields come back only when ResultLine writes exactly these
// bytes for some record: each number the text of a finite float. Where a
// processor itself holds " N à N     [CM ", the first such place splits it.
std::optional<ResultFields> ParseResultLine(QByteArrayView line);

// The float a stored result stands for: the one nearest its text.
float StoredFloat(std::string_view text);

// A stored result's text as the number it says, to two decimals: how results
// compare with one another (ranks, medians).
double StoredValue(std::string_view text);
// A result as its line would store it, to compare it so.
double StoredIndex(float indice);

// The record a line holds.
ResultRecord RecordOf(const ResultFields &fields);

// Why the entry window and --save could never have written this line (a
// description they refuse, a negative result); nothing when they could.
std::optional<QString> LineFault(const ResultFields &fields);

// Why a line of a file to merge cannot be taken, in French: `line` without
// its LF, `ended` whether an LF ended it. Nothing when the line ends in CR LF,
// is well-formed and could have been written by the entry window or --save.
std::optional<QString> StoredLineFault(std::string_view line, bool ended);

// Why a whole file cannot be results written by the program: its text is
// UTF-8 (a valid multi-byte sequence, the whole file valid UTF-8), or its
// lines end in LF alone. Nothing for a file of Windows-1252 lines in CR LF.
std::optional<QString> ResultsFileFault(QByteArrayView bytes);

// The history list of each description value, and the entry a value makes
// there, CR LF included: the text as it is, or the number in decimal.
inline constexpr std::array<DescriptionField, 4> DescriptionFields = {
    DescriptionField::Processor, DescriptionField::BaseFrequency, DescriptionField::OverclockFrequency,
    DescriptionField::Motherboard};
std::string_view HistoryFileName(DescriptionField field);
QByteArray HistoryEntry(const QString &text);
QByteArray HistoryEntry(std::int32_t value);
QByteArray HistoryEntry(const ResultRecord &record, DescriptionField field);

// The two ways a value joins its history. The entry window appends every
// answer of an input box at once, whatever the list holds. --save adds a value
// only when the list lacks it, looked up under the list's lock so that two
// copies saving the same new value add it once; true when it was added.
void AppendAnswer(const std::string &historyPath, const QByteArray &entry);
bool AddWhenMissing(const std::string &historyPath, const QByteArray &entry);

} // namespace tarvo
