// Where an index stands among the stored results: its place from the highest
// index down ("12e sur 341", the results and this index together, equal
// indexes sharing a place) and its ratio to the stored indexes' median. Only
// well-formed results lines count (core/StoredResult.h).
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

struct Ranking {
    double index;           // as compared: two decimals, as the line stores it
    std::int64_t position;  // 1 for the highest
    std::int64_t count;     // the stored results and this one
    std::optional<double> median; // of the stored indexes; none when there are none
};

// A missing results file holds no result. Throws EFOpenError for a file the
// windows would refuse too.
Ranking RankIndex(double index, const std::string &resultsPath);

// "12e sur 341 ; 0,95 fois la médiane des 340 résultats enregistrés (480,12)":
// what --rank, --run and the picture say of a ranked index.
QString RankText(const Ranking &ranking);

} // namespace tarvo
