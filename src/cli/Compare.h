// --compare A.json B.json: two documents written by --run --repeat=N --json,
// their index, integer and floating results run by run, compared in French or
// as JSON: the ratio of B to A with its 95 % interval and a verdict
// (core/Significance.h), after warnings when the documents come from
// different machines, versions or conditions.
#pragma once

#include "cli/Output.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <string>
#include <variant>
#include <vector>

namespace tarvo::cli {

// What --compare reads of a document.
struct RunDocument {
    QString file;
    QJsonObject root;
    std::vector<double> index, integer, floating; // valid runs only
    int invalidRuns = 0;
};

// Why a document cannot be compared, and the exit status that says it: 1 for
// a file that cannot be read, 2 for one that is not such a document.
struct DocumentRefusal {
    int status;
    QString message;
};

std::variant<RunDocument, DocumentRefusal> ReadRunDocument(const std::string &path);

// Differences between the documents' machines, versions and conditions.
QStringList DocumentWarnings(const RunDocument &a, const RunDocument &b);

int CompareMode(const std::vector<std::string> &files, bool json, Output &out);

} // namespace tarvo::cli
