// --save: the four descriptions checked by the rules "OK" follows
// (core/StoredResult.h), then the results line appended as "OK" appends it
// and each value added to its history list when the list does not hold it yet.
#pragma once

#include "cli/Options.h"

#include "core/StoredResult.h"
#include "core/SpeedTest.h"

#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace tarvo::cli {

// The description checked, in a record still without results; or the French
// reason it was refused. Nothing is read or written.
std::variant<ResultRecord, QString> DescriptionToSave(const Options &options);

// What became of one history list once the results line was written.
struct HistoryStatus {
    QString file;
    enum { Added, AlreadyThere, Failed } what = Failed;
    QString reason; // why it failed
};

struct Saved {
    std::string resultsPath;
    std::vector<HistoryStatus> histories; // the four, each tried, in order
    // The first failure, said as a result kept without that history.
    std::optional<QString> historyFailure() const;
};

// Appends the record with these scores to the results file of the working
// directory, then tries each history in turn. Throws tarvo::Exception (a file
// that cannot be read or written) with nothing written when the results line
// could not be; a history that cannot be read or added to is noted in its
// status, and the others are still tried.
Saved SaveResult(ResultRecord record, const Scores &scores);

} // namespace tarvo::cli
