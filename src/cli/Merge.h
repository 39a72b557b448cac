// --merge: results from other files into the results file. A line is taken
// when the entry window or --save could have written it (core/StoredResult.h:
// a well-formed line ending in CR LF, a description "OK" takes, no negative
// result) and is not already in the results file (or earlier
// in the files merged) byte for byte. All the lines taken go in one append,
// whole or not at all, decided under the results file's lock (FileAppend.h):
// a copy of the program appending a line meanwhile never makes it a duplicate.
// The results file is read before its lock, a block at a time; under the lock
// only what was appended since is read, so that other writers wait for the
// write alone. The memory taken is about 1.2 times the files merged, checked
// before they are read. The other files are only read.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::cli {

struct LineRange {
    std::int64_t first, last; // numbered from 1
    int reason = 0;           // in MergeOutcome::reasons
};

struct Refused {
    std::string file;
    std::vector<LineRange> lines; // in order; neighbours refused for the same reason together
    std::optional<QString> wholeFile; // why no line of the file was taken (UTF-8, LF alone)
};

struct MergeOutcome {
    std::int64_t added = 0;
    std::int64_t present = 0;
    std::int64_t refused = 0;
    std::vector<Refused> refusals; // one per file with a refused line, in order
    std::vector<QString> reasons;  // why lines were refused, each once, in French
};

// Throws EFOpenError for a file that cannot be read, EWriteError when the
// append fails: the results file is then left as it was.
MergeOutcome MergeInto(const std::string &resultsPath, const std::vector<std::string> &files);

// "2, 5-9, 12"
QString LineNumbers(const std::vector<LineRange> &lines);

// Called, when set, once the results file's lines have been marked and before
// its lock is asked for: tests append there as another copy would.
extern void (*StoredLinesMarked)();

} // namespace tarvo::cli
