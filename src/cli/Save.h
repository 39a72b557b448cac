// --save: the four descriptions checked by the rules "OK" follows
// (core/StoredResult.h), then the results line appended as "OK" appends it
// and each value added to its history list when the list does not hold it yet.
#pragma once

#include "cli/Options.h"

#include "core/StoredResult.h"
#include "core/SpeedTest.h"

#include <QStringList>

#include <variant>

namespace tarvo::cli {

// The description checked, in a record still without results; or the French
// reason it was refused. Nothing is read or written.
std::variant<ResultRecord, QString> DescriptionToSave(const Options &options);

struct Saved {
    std::string resultsPath;
    QStringList historiesAdded; // the history files a value was added to
};

// Appends the record with these scores to the results file of the working
// directory, then the new history entries. Throws tarvo::Exception (a file
// that cannot be read or written) with nothing written when the results line
// could not be; a history that cannot be read or added to after it throws an
// EWriteError that says the result was kept.
Saved SaveResult(ResultRecord record, const Scores &scores);

} // namespace tarvo::cli
