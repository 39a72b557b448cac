// --merge: results from other files into the results file. A line is taken
// when it is a well-formed results line (core/StoredResult.h) ending in CR LF, as
// the program writes it, and is not already in the results file (or earlier
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
#include <string>
#include <utility>
#include <vector>

namespace tarvo::cli {

struct LineRange {
    std::int64_t first, last; // numbered from 1
};

struct Refused {
    std::string file;
    std::vector<LineRange> lines; // in order
};

struct MergeOutcome {
    std::int64_t added = 0;
    std::int64_t present = 0;
    std::int64_t refused = 0;
    std::vector<Refused> refusals; // one per file with a refused line, in order
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
