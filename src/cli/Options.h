// The command line: which mode was asked for and with what, parsed with
// getopt_long (GNU long options, "--name=value" or "--name value"). A command
// line made only of the window toolkit's own options (-platform, -style,
// --display...) is not ours: the windows start as they always did, and Qt
// reads those options.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::cli {

enum class Mode { Help, Version, Run, List, Rank, Merge };
enum class Format { Text, Csv, Json };

struct Options {
    Mode mode = Mode::Help;
    Format format = Format::Text;
    int repeat = 1;
    bool rank = false;
    std::optional<double> index; // --rank --index VALUE
    bool save = false;
    // The four descriptions as typed, absent when not given.
    std::optional<QString> processor;
    std::optional<QString> baseFrequency;
    std::optional<QString> overclockFrequency;
    std::optional<QString> motherboard;
    std::vector<std::string> files; // --merge
};

// A command line that cannot be followed: the French line to print.
struct UsageError {
    QString message;
};

// True when the arguments are empty or are all options of the window toolkit
// (with their values): the program then shows its windows.
bool OnlyToolkitOptions(int argc, char *const argv[]);

std::variant<Options, UsageError> ParseOptions(int argc, char *argv[]);

} // namespace tarvo::cli
