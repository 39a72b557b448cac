// The options Qt itself takes from the command line (QCoreApplication,
// QGuiApplication, QApplication and the xcb platform): a line made only of
// them starts the windows, and one of them among ours is refused.
#pragma once

#include <string_view>

namespace tarvo::cli {

// The toolkit option an argument names: 0 when none, 1 alone, 2 with the next argument.
int ToolkitArguments(std::string_view argument);

} // namespace tarvo::cli
