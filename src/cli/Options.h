// The command line: which mode was asked for and with what, parsed with
// getopt_long (GNU long options, "--name=value" or "--name value") from one
// table of options. A row says an option's name, whether it takes a value,
// the mode it asks for or the modes that accept it, what else it needs, and
// what taking it does; getopt's table, the refusals of lines that mix options
// wrongly and --help's option lines all come from the rows. A new option is a
// row here, a field in Options and its handling.
#pragma once

#include "cli/CommandTexts.h"

#include <QString>

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::cli {

enum class Mode { Help, Version, Run, List, Rank, Merge, Threads, PerCore, Picture, Compare };
enum class Format { Text, Csv, Json };

struct Options {
    Mode mode = Mode::Help;
    Format format = Format::Text;
    int repeat = 1;
    bool repeatAuto = false;   // --repeat auto: until the index is stable
    int warmup = 0;            // runs discarded before the counted ones
    std::optional<int> cpu;    // the CPU the test is pinned to
    bool rank = false;
    std::optional<double> index; // --index VALUE: ranked (--rank) or marked (--chart, --report)
    bool save = false;
    // The four descriptions as typed, absent when not given.
    std::optional<QString> processor;
    std::optional<QString> baseFrequency;
    std::optional<QString> overclockFrequency;
    std::optional<QString> motherboard;
    std::vector<std::string> files; // --merge, --compare
    int threads = 0;  // --threads N, or the usable CPUs for "all"
    bool pin = true;  // --no-pin leaves the threads to the scheduler
    // The picture of the stored results and the page around it, as named.
    std::optional<QString> chart;
    std::optional<QString> report;
};

// A command line that cannot be followed: the French line to print.
struct UsageError {
    QString message;
};

// A set of modes, for the modes that accept an option.
using Modes = unsigned;
constexpr Modes In(std::initializer_list<Mode> modes)
{
    Modes set = 0;
    for (const Mode m : modes)
        set |= 1u << unsigned(m);
    return set;
}
inline constexpr Modes AnyMode = ~0u;

// What taking an option does with its value (nullptr when it takes none):
// the refusal of a value it cannot take, or nothing.
using Take = std::optional<QString> (*)(Options &options, const char *value);

struct OptionRow {
    const char *name;                  // the long name, without "--"
    bool value = false;                // takes a value
    std::optional<Mode> mode = {};     // the mode this option asks for
    Modes modes = AnyMode;             // the modes that accept it
    const char *needs = nullptr;       // another option it is used with
    const char *excludes = nullptr;    // an option it cannot be used with
    std::span<const char *const> demands = {}; // one of these must be given with it
    bool operands = false;             // the mode takes one or more files
    Take take = nullptr;
    std::span<const OptionHelp> help = {};
    char letter = 0;                   // a one-letter form ("-h")
    bool wins = false;                 // given, it is done whatever else is given
    bool oneCoreResults = false;       // reads or writes the stored results, one core's each
    bool manyCores = false;            // the mode's figures are not one core's
    std::optional<Mode> alone = {};    // the mode it asks for when no other option asks for one
};

std::span<const OptionRow> OptionTable();

// True when the arguments are empty or are all options of the window toolkit
// (with their values): the program then shows its windows.
bool OnlyToolkitOptions(int argc, char *const argv[]);

std::variant<Options, UsageError> ParseOptions(int argc, char *argv[]);

} // namespace tarvo::cli
