#include "cli/ToolkitOptions.h"

#include "cli/Options.h"

namespace tarvo::cli {

namespace {

// Each with one dash or two, and whether the next argument is its value.
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

} // namespace

int ToolkitArguments(std::string_view argument)
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

bool OnlyToolkitOptions(int argc, char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const int taken = ToolkitArguments(argv[i]);
        if (taken == 0)
            return false;
        // A value missing at the end is Qt's to ignore, as it always did.
        i += taken - 1;
    }
    return true;
}

} // namespace tarvo::cli
