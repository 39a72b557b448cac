// How runs of the speed test are shown: as text for a person (the conditions
// first, a line per run when repeated, the warnings, then the results as the
// windows show their numbers) or as one JSON document for programs.
#pragma once

#include "cli/Output.h"
#include "cli/Runs.h"
#include "cli/Save.h"

#include "core/Ranking.h"

#include <optional>

namespace tarvo::cli {

// What the run mode did besides running.
struct RunOutcome {
    std::optional<std::size_t> chosenRun; // the run saved and ranked (the median one)
    std::optional<Saved> saved;
    std::optional<Ranking> ranking;
};

void WriteConditionsText(const Conditions &before, Output &out);
void WriteRunLineText(const Session &session, Output &out); // the latest run, when repeated
void WriteConclusionText(const Session &session, const RunOutcome &outcome, Output &out);

class JsonWriter;
// The program's members at the head of a JSON document: name, version,
// architecture, compiler, date.
void WriteProgramJson(JsonWriter &json);
// The conditions before and after, as an object.
void WriteConditionsJson(const Conditions &before, const Conditions &after, JsonWriter &json);

void WriteSessionJson(const Session &session, std::int64_t ticksPerSecond, const RunOutcome &outcome,
                      Output &out);

} // namespace tarvo::cli
