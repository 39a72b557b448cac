// --threads: the speed test on N threads at once, each pinned to its own CPU
// unless asked not to, after the same threaded code on one thread; the
// multi-core results (the threads' results added up, as other benchmarks
// give them), the same work over the wall time, the scaling and the
// efficiency. Nothing of it is ever written to the results file: a line
// there is one core's result.
#pragma once

#include "cli/Output.h"

#include <string>

namespace tarvo::cli {

struct ThreadsRequest {
    int threads = 1;
    bool pin = true;
    int repeat = 1;
    bool json = false;
    std::string *jsonCopy = nullptr; // also given the JSON document, for --report
};

// The number of threads `--threads` asks for: N or "all" (every CPU the
// process may use); the French refusal otherwise.
struct ThreadCount {
    int threads = 0;
    QString refusal; // empty when accepted
};
ThreadCount ParseThreadCount(const char *text, int usable);

// Runs and reports; throws tarvo::Exception as the run mode does.
int RunThreadsMode(const ThreadsRequest &request, Output &out);

} // namespace tarvo::cli
