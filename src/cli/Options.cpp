#include "cli/Options.h"

#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstring>
#include <getopt.h>
#include <string_view>

namespace tarvo::cli {

namespace {

// The options Qt itself takes from the command line (QCoreApplication,
// QGuiApplication, QApplication and the xcb platform), each with one dash or
// two, and whether the next argument is its value.
struct ToolkitOption {
    std::string_view name;
    bool value;
};
constexpr ToolkitOption toolkitOptions[] = {
    {"platform", true},  {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"geometry", true}, {"qwindowtitle", true}, {"title", true},
    {"qwindowicon", true}, {"icon", true}, {"session", true}, {"style", true}, {"stylesheet", true},
    {"qmljsdebugger", true}, {"display", true}, {"name", true}, {"visual", true},
    {"reverse", false}, {"testability", false}, {"widgetcount", false}, {"nograb", false},
    {"dograb", false}, {"qdevel", false}, {"qdebug", false}};
// Also given as -name=value.
constexpr std::string_view toolkitJoined[] = {"style=", "stylesheet=", "qmljsdebugger="};

// The toolkit option an argument names: 0 when none, 1 alone, 2 with the next argument.
int toolkitArguments(std::string_view argument)
{
    if (argument.size() < 2 || argument[0] != '-')
        return 0;
    argument.remove_prefix(argument[1] == '-' ? 2 : 1);
    for (const std::string_view joined : toolkitJoined)
        if (argument.size() > joined.size() && argument.substr(0, joined.size()) == joined)
            return 1;
    for (const ToolkitOption &option : toolkitOptions)
        if (argument == option.name)
            return option.value ? 2 : 1;
    return 0;
}

enum Code {
    Help = 'h',
    Version = 256,
    Run,
    Repeat,
    Json,
    Csv,
    List,
    Rank,
    Index,
    Save,
    Processor,
    BaseFrequency,
    OverclockFrequency,
    Motherboard,
    Merge,
};

constexpr option longOptions[] = {
    {"help", no_argument, nullptr, Help},
    {"version", no_argument, nullptr, Version},
    {"run", no_argument, nullptr, Run},
    {"repeat", required_argument, nullptr, Repeat},
    {"json", no_argument, nullptr, Json},
    {"csv", no_argument, nullptr, Csv},
    {"list", no_argument, nullptr, List},
    {"rank", no_argument, nullptr, Rank},
    {"index", required_argument, nullptr, Index},
    {"save", no_argument, nullptr, Save},
    {"processor", required_argument, nullptr, Processor},
    {"base-frequency", required_argument, nullptr, BaseFrequency},
    {"overclock-frequency", required_argument, nullptr, OverclockFrequency},
    {"motherboard", required_argument, nullptr, Motherboard},
    {"merge", no_argument, nullptr, Merge},
    {nullptr, 0, nullptr, 0},
};

QString quoted(std::string_view text)
{
    return QStringLiteral("« %1 »").arg(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
}

UsageError usage(const QString &what)
{
    return {QStringLiteral("zurezive : %1 Essayez « zurezive --help ».").arg(what)};
}

// Why getopt refused the argument it stopped at.
UsageError refusal(const char *argument, bool missingValue)
{
    const std::string_view text = argument ? argument : "";
    if (toolkitArguments(text) != 0)
        return usage(QStringLiteral("l'option %1 ne sert qu'aux fenêtres et ne s'emploie pas avec les autres "
                                    "options.")
                         .arg(quoted(text)));
    if (missingValue)
        return usage(QStringLiteral("l'option %1 attend une valeur.").arg(quoted(text)));
    const std::size_t equals = text.find('=');
    if (text.substr(0, 2) == "--" && equals != std::string_view::npos) {
        const std::string name(text.substr(2, equals - 2));
        for (const option *o = longOptions; o->name; ++o)
            if (name == o->name && o->has_arg == no_argument)
                return usage(QStringLiteral("l'option %1 ne prend pas de valeur.").arg(quoted(text.substr(0, equals))));
    }
    return usage(QStringLiteral("option inconnue ou ambiguë %1.").arg(quoted(text)));
}

std::optional<int> repeatCount(const char *text)
{
    const std::string_view value(text);
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc() || end != value.data() + value.size() || count < 1 || count > 100)
        return std::nullopt;
    return count;
}

std::optional<double> indexValue(const char *text)
{
    const std::string_view value(text);
    double index = 0.0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index,
                                              std::chars_format::fixed);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || !std::isfinite(index))
        return std::nullopt;
    return index;
}

QString local(const char *text)
{
    return QString::fromLocal8Bit(text);
}

} // namespace

bool OnlyToolkitOptions(int argc, char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const int taken = toolkitArguments(argv[i]);
        if (taken == 0)
            return false;
        // A value missing at the end is Qt's to ignore, as it always did.
        i += taken - 1;
    }
    return true;
}

std::variant<Options, UsageError> ParseOptions(int argc, char *argv[])
{
    Options options;
    bool help = false, version = false, run = false, list = false, merge = false;
    bool csv = false, json = false, repeatGiven = false;

    // getopt keeps its place between calls: start it again from the beginning.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = getopt_long(argc, argv, ":h", longOptions, nullptr);
        if (code == -1)
            break;
        switch (code) {
        case Help: help = true; break;
        case Version: version = true; break;
        case Run: run = true; break;
        case Repeat:
            if (const auto count = repeatCount(optarg)) {
                options.repeat = *count;
                repeatGiven = true;
            } else {
                return usage(QStringLiteral("la valeur de --repeat doit être un nombre entier de 1 à 100, "
                                            "pas %1.").arg(quoted(optarg)));
            }
            break;
        case Json: json = true; break;
        case Csv: csv = true; break;
        case List: list = true; break;
        case Rank: options.rank = true; break;
        case Index:
            options.index = indexValue(optarg);
            if (!options.index)
                return usage(QStringLiteral("la valeur de --index doit être un nombre écrit avec un point "
                                            "décimal, pas %1.").arg(quoted(optarg)));
            break;
        case Save: options.save = true; break;
        case Processor: options.processor = local(optarg); break;
        case BaseFrequency: options.baseFrequency = local(optarg); break;
        case OverclockFrequency: options.overclockFrequency = local(optarg); break;
        case Motherboard: options.motherboard = local(optarg); break;
        case Merge: merge = true; break;
        case ':':
            return refusal(argv[optind - 1], true);
        default: {
            // A long option (optopt 0, or its code) is the word getopt just
            // passed; an unknown letter may sit inside a word ("-xyz"), which
            // getopt leaves only after its last letter.
            const char *word = argv[optind - 1];
            if (optopt > 0 && optopt < 256 && optopt != Help) {
                const std::size_t n = std::strlen(word);
                const bool passed = n > 1 && word[0] == '-' && word[1] != '-' && word[n - 1] == char(optopt);
                if (!passed && optind < argc)
                    word = argv[optind];
            }
            return refusal(word, false);
        }
        }
    }
    for (int i = optind; i < argc; ++i)
        options.files.emplace_back(argv[i]);

    if (help || version) {
        options.mode = help ? Mode::Help : Mode::Version;
        return options;
    }

    QStringList modes;
    if (run)
        modes << QStringLiteral("--run");
    if (list)
        modes << QStringLiteral("--list");
    if (merge)
        modes << QStringLiteral("--merge");
    if (options.index)
        modes << QStringLiteral("--index");
    if (modes.size() > 1)
        return usage(QStringLiteral("les options « %1 » et « %2 » ne s'emploient pas ensemble.")
                         .arg(modes[0], modes[1]));
    if (modes.isEmpty())
        return usage(options.rank ? QStringLiteral("--rank demande --run ou --index VALEUR.")
                                  : QStringLiteral("aucune action demandée (--run, --list, --rank --index, "
                                                   "--merge)."));
    options.mode = run ? Mode::Run : list ? Mode::List : merge ? Mode::Merge : Mode::Rank;

    const bool descriptions = options.processor || options.baseFrequency || options.overclockFrequency
        || options.motherboard;
    if (!options.files.empty() && !merge)
        return usage(QStringLiteral("argument inattendu %1.").arg(quoted(options.files.front())));
    if (merge && options.files.empty())
        return usage(QStringLiteral("--merge attend au moins un fichier."));
    if (options.index && !options.rank)
        return usage(QStringLiteral("--index s'emploie avec --rank."));
    if (options.rank && (list || merge))
        return usage(QStringLiteral("--rank s'emploie avec --run ou --index VALEUR."));
    if (repeatGiven && !run)
        return usage(QStringLiteral("--repeat s'emploie avec --run."));
    if (options.save && !run)
        return usage(QStringLiteral("--save s'emploie avec --run."));
    if (descriptions && !options.save)
        return usage(QStringLiteral("--processor, --base-frequency, --overclock-frequency et --motherboard "
                                    "s'emploient avec --save."));
    if (csv && json)
        return usage(QStringLiteral("choisissez --csv ou --json, pas les deux."));
    if (csv && !list)
        return usage(QStringLiteral("--csv s'emploie avec --list."));
    if (json && !run && !list)
        return usage(QStringLiteral("--json s'emploie avec --run ou --list."));
    if (list && !csv && !json)
        return usage(QStringLiteral("--list demande --csv ou --json."));
    options.format = csv ? Format::Csv : json ? Format::Json : Format::Text;
    return options;
}

} // namespace tarvo::cli
