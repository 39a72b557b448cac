// The program's command line: runs, lists, ranks and merges results without a
// window and without a display, for scripts and for machines reached over
// ssh. Only Qt Core is used here; no application object is made. Exit
// statuses: 0 done, 1 a file could not be read or written or the test could
// not be timed, 2 a command line that cannot be followed, 3 a description
// that --save refused.
#pragma once

#include <optional>
#include <string>

namespace tarvo::cli {

struct Options;
struct Session;
struct RunOutcome;

// What --chart and --report draw: this machine's index when a run or --index
// gave one, and the runs when the test was run.
struct PictureRequest {
    const Options &options;
    std::optional<double> machineIndex;
    const Session *session = nullptr;
    const RunOutcome *outcome = nullptr;
    // --threads' or --per-core's JSON document, when one of them ran.
    const std::string *coresJson = nullptr;
};

// The drawing is given by the program, which links the drawing library
// (Pictures.h): only it starts Qt's GUI, and the other modes stay on Qt Core.
// Throws tarvo::Exception when a file cannot be written.
using DrawPictures = void (*)(const PictureRequest &request);

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitRefused = 3;

// Whether the arguments are for the command line rather than for the windows
// (no argument, or only Qt's own options, start the windows).
bool WantsCommandLine(int argc, char *argv[]);

// Does what the arguments ask and returns the exit status.
int RunCommandLine(int argc, char *argv[], DrawPictures draw = nullptr);

} // namespace tarvo::cli
