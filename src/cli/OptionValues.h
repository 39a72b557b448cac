// What the options that take a value make of it: the value kept in Options,
// or the French refusal of a value they cannot take. The table (Options.cpp)
// names these.
#pragma once

#include "cli/Options.h"

#include <optional>

namespace tarvo::cli {

std::optional<QString> takeWarmup(Options &options, const char *text);
std::optional<QString> takeCpu(Options &options, const char *text);
std::optional<QString> takeRepeat(Options &options, const char *text);
std::optional<QString> takeIndex(Options &options, const char *text);
std::optional<QString> takeThreads(Options &options, const char *text);

} // namespace tarvo::cli
