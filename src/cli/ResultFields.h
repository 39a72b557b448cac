// A stored results line taken apart. A line is well-formed when it is exactly
// what the program writes for some record (core/DataFiles.h, ResultLine):
// three numbers in "%12.2f" (each the text of a finite float), twelve spaces,
// the processor, a space, the original frequency in "%d", " à ", the
// overclocked frequency, five spaces, "[CM ", the motherboard and "]". Where a
// processor text itself holds " N à N     [CM ", the first such place splits
// the line; either way ResultLine gives back the same bytes.
#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvo::cli {

struct ResultFields {
    // The three results as stored, without their padding ("42.00").
    std::string_view indiceText, flottantText, entierText;
    std::int32_t freqOrigine, freqOverclock;
    // Windows-1252 bytes, as stored.
    QByteArrayView processeur, carteMere;
};

// `line` without its line end, and without a CR or LF inside, as a line of a
// LineList is.
std::optional<ResultFields> ParseResultLine(QByteArrayView line);

// The float a stored result stands for: the one nearest its text.
float StoredFloat(std::string_view text);

} // namespace tarvo::cli
