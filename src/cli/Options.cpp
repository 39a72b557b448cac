#include "cli/Options.h"

#include "cli/Arguments.h"
#include "cli/OptionValues.h"
#include "cli/ToolkitOptions.h"

#include <cstring>
#include <getopt.h>
#include <string_view>

namespace tarvo::cli {

namespace {

using Refusal = std::optional<QString>;

QString local(const char *text)
{
    return ArgumentText(text);
}

// A description is kept as typed; --save checks it.
template <std::optional<QString> Options::*field>
Refusal takeText(Options &options, const char *text)
{
    options.*field = local(text);
    return {};
}

template <auto field, auto value>
Refusal set(Options &options, const char *)
{
    options.*field = value;
    return {};
}

constexpr const char *formats[] = {"csv", "json"};
constexpr const char *rankedThings[] = {"run", "index"};
// An index is ranked, or marks this machine in the picture and the report.
constexpr const char *indexUses[] = {"rank", "chart", "report"};
// The modes --chart and --report go with; the stored results are drawn in each.
constexpr Modes drawingModes = In({Mode::Run, Mode::Rank, Mode::Picture, Mode::Threads, Mode::PerCore});

// Rows that break two rules are refused for the first row's rule, in this order.
constexpr OptionRow table[] = {
    {.name = "run", .mode = Mode::Run, .help = help::Run},
    {.name = "repeat", .value = true, .modes = In({Mode::Run, Mode::Threads, Mode::PerCore}), .take = takeRepeat, .help = help::Repeat},
    {.name = "warmup", .value = true, .modes = In({Mode::Run}), .take = takeWarmup, .help = help::Warmup},
    {.name = "cpu", .value = true, .modes = In({Mode::Run}), .take = takeCpu, .help = help::Cpu},
    {.name = "csv", .modes = In({Mode::List}), .excludes = "json", .take = set<&Options::format, Format::Csv>},
    {.name = "json", .modes = In({Mode::Run, Mode::List, Mode::Threads, Mode::PerCore, Mode::Compare}), .take = set<&Options::format, Format::Json>,
     .help = help::Json},
    {.name = "save", .modes = In({Mode::Run}), .take = set<&Options::save, true>, .help = help::Save,
     .oneCoreResults = true},
    {.name = "processor", .value = true, .modes = In({Mode::Run}), .needs = "save",
     .take = takeText<&Options::processor>, .help = help::Processor},
    {.name = "base-frequency", .value = true, .modes = In({Mode::Run}), .needs = "save",
     .take = takeText<&Options::baseFrequency>, .help = help::BaseFrequency},
    {.name = "overclock-frequency", .value = true, .modes = In({Mode::Run}), .needs = "save",
     .take = takeText<&Options::overclockFrequency>, .help = help::OverclockFrequency},
    {.name = "motherboard", .value = true, .modes = In({Mode::Run}), .needs = "save",
     .take = takeText<&Options::motherboard>, .help = help::Motherboard},
    {.name = "rank", .modes = In({Mode::Run, Mode::Rank}), .demands = rankedThings,
     .take = set<&Options::rank, true>, .help = help::Rank, .oneCoreResults = true},
    {.name = "list", .mode = Mode::List, .demands = formats, .help = help::List},
    {.name = "merge", .mode = Mode::Merge, .operands = true, .help = help::Merge},
    {.name = "compare", .mode = Mode::Compare, .operands = true, .help = help::Compare},
    {.name = "index", .value = true, .mode = Mode::Rank, .demands = indexUses, .take = takeIndex, .help = help::Index},
    {.name = "threads", .value = true, .mode = Mode::Threads, .take = takeThreads, .help = help::Threads,
     .manyCores = true},
    {.name = "no-pin", .modes = In({Mode::Threads}), .take = set<&Options::pin, false>, .help = help::NoPin},
    {.name = "per-core", .mode = Mode::PerCore, .help = help::PerCore, .manyCores = true},
    {.name = "chart", .value = true, .modes = drawingModes,
     .take = takeText<&Options::chart>, .help = help::Chart, .alone = Mode::Picture},
    {.name = "report", .value = true, .modes = drawingModes,
     .take = takeText<&Options::report>, .help = help::Report, .alone = Mode::Picture},
    {.name = "help", .mode = Mode::Help, .help = help::Help, .letter = 'h', .wins = true},
    {.name = "version", .mode = Mode::Version, .help = help::Version, .wins = true},
};
constexpr int rows = int(std::size(table));
// getopt's code for a row; below it, the one-letter forms.
constexpr int firstCode = 256;

int rowNamed(std::string_view name)
{
    for (int i = 0; i < rows; ++i)
        if (name == table[i].name)
            return i;
    return -1;
}

int rowOfCode(int code)
{
    if (code >= firstCode && code < firstCode + rows)
        return code - firstCode;
    for (int i = 0; i < rows; ++i)
        if (table[i].letter != 0 && code == table[i].letter)
            return i;
    return -1;
}

struct GetoptTable {
    std::vector<option> longs;
    std::string letters = ":"; // ':' makes a missing value its own case
};

const GetoptTable &getoptTable()
{
    static const GetoptTable made = [] {
        GetoptTable t;
        for (int i = 0; i < rows; ++i) {
            t.longs.push_back({table[i].name, table[i].value ? required_argument : no_argument, nullptr,
                               firstCode + i});
            if (table[i].letter != 0)
                t.letters += table[i].letter;
        }
        t.longs.push_back({nullptr, 0, nullptr, 0});
        return t;
    }();
    return made;
}

QString dashed(const OptionRow &row)
{
    return QStringLiteral("--") + QLatin1String(row.name);
}

// How a rule names an option it asks for: "--run", "--index VALEUR".
QString asked(const OptionRow &row)
{
    return row.value ? WithValue(dashed(row)) : dashed(row);
}

QString asked(const char *name)
{
    return asked(table[rowNamed(name)]);
}

// Why getopt refused the argument it stopped at.
QString refusal(const char *argument, bool missingValue)
{
    const std::string_view text = argument ? argument : "";
    const QString shown = local(text.data());
    if (ToolkitArguments(text) != 0)
        return OnlyForWindows(shown);
    if (missingValue)
        return ValueMissing(shown);
    const std::size_t equals = text.find('=');
    if (text.substr(0, 2) == "--" && equals != std::string_view::npos) {
        const int row = rowNamed(text.substr(2, equals - 2));
        if (row >= 0 && !table[row].value)
            return NoValueTaken(local(std::string(text.substr(0, equals)).c_str()));
    }
    return UnknownOption(shown);
}

// The word an unknown option stands in. A long option (optopt 0, or its code)
// is the word getopt just passed; an unknown letter may sit inside a word
// ("-xyz"), which getopt leaves only after its last letter.
const char *unknownWord(int argc, char *argv[])
{
    const char *word = argv[optind - 1];
    if (optopt > 0 && optopt < firstCode && rowOfCode(optopt) < 0) {
        const std::size_t n = std::strlen(word);
        const bool passed = n > 1 && word[0] == '-' && word[1] != '-' && word[n - 1] == char(optopt);
        if (!passed && optind < argc)
            word = argv[optind];
    }
    return word;
}

// The rule a given row breaks, with what else is given.
Refusal brokenRule(int i, Mode mode, const std::vector<bool> &given)
{
    const OptionRow &row = table[i];
    if (row.needs && !given[rowNamed(row.needs)]) {
        QStringList alike; // the options that need the same one are named together
        for (const OptionRow &other : table)
            if (other.needs && std::string_view(other.needs) == row.needs)
                alike << dashed(other);
        return OptionsNeed(alike, asked(row.needs));
    }
    if (row.excludes && given[rowNamed(row.excludes)])
        return ChooseOne(dashed(row), dashed(table[rowNamed(row.excludes)]));
    if ((row.modes & In({mode})) == 0) {
        QStringList accepting;
        for (const OptionRow &other : table)
            if (other.mode && (row.modes & In({*other.mode})) != 0)
                accepting << asked(other);
        // The stored results are one core's each: a figure of many cores is
        // neither saved among them nor ranked against them.
        QString because;
        for (const OptionRow &other : table)
            if (row.oneCoreResults && other.manyCores && other.mode == mode)
                because = OneCoreResults(dashed(other));
        return OptionsNeed({dashed(row)}, Alternatives(accepting), because);
    }
    return {};
}

// The first option given that demands one of others, none of which is given.
Refusal unmetDemand(const std::vector<bool> &given)
{
    for (int i = 0; i < rows; ++i) {
        if (!given[i] || table[i].demands.empty())
            continue;
        QStringList oneOf;
        bool met = false;
        for (const char *name : table[i].demands) {
            met = met || given[rowNamed(name)];
            oneOf << asked(name);
        }
        if (!met)
            return OptionDemands(dashed(table[i]), oneOf);
    }
    return {};
}

Refusal brokenRules(const Options &options, const std::vector<bool> &given)
{
    for (int i = 0; i < rows; ++i)
        if (given[i])
            if (Refusal broken = brokenRule(i, options.mode, given))
                return broken;
    return unmetDemand(given);
}

// The mode asked for, or why the options given cannot go together.
Refusal combine(Options &options, const std::vector<bool> &given)
{
    std::vector<int> modes;
    for (int i = 0; i < rows; ++i) {
        if (given[i] && table[i].wins) {
            options.mode = *table[i].mode;
            return {};
        }
        if (given[i] && table[i].mode)
            modes.push_back(i);
    }
    for (int i = 0; i < rows && modes.empty(); ++i) {
        if (given[i] && table[i].alone) {
            options.mode = *table[i].alone;
            return brokenRules(options, given);
        }
    }
    if (modes.size() > 1)
        return ModesTogether(dashed(table[modes[0]]), dashed(table[modes[1]]));
    if (modes.empty())
        return unmetDemand(given).value_or(NoAction());
    const OptionRow &chosen = table[modes.front()];
    options.mode = *chosen.mode;

    if (!options.files.empty() && !chosen.operands)
        return UnexpectedArgument(local(options.files.front().c_str()));
    if (chosen.operands && options.files.empty())
        return FilesExpected(dashed(chosen));
    return brokenRules(options, given);
}

} // namespace

std::span<const OptionRow> OptionTable()
{
    return table;
}

std::variant<Options, UsageError> ParseOptions(int argc, char *argv[])
{
    Options options;
    std::vector<bool> given(rows);
    const GetoptTable &getopt = getoptTable();

    // getopt keeps its place between calls: start it again from the beginning.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = getopt_long(argc, argv, getopt.letters.c_str(), getopt.longs.data(), nullptr);
        if (code == -1)
            break;
        if (code == ':')
            return UsageError{refusal(argv[optind - 1], true)};
        const int row = rowOfCode(code);
        if (row < 0)
            return UsageError{refusal(unknownWord(argc, argv), false)};
        given[row] = true;
        if (table[row].take)
            if (Refusal refused = table[row].take(options, optarg))
                return UsageError{*refused};
    }
    for (int i = optind; i < argc; ++i)
        options.files.emplace_back(argv[i]);
    if (Refusal refused = combine(options, given))
        return UsageError{*refused};
    return options;
}

} // namespace tarvo::cli
