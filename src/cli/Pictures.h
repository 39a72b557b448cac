// --chart and --report: the picture of the stored results (src/chart) as a
// file, and one self-contained HTML page around it (Report.h). Qt's GUI is
// started here, on the offscreen platform, so these two modes need no
// display; the rest of the command line never starts it.
#pragma once

#include "cli/CommandLine.h"

namespace tarvo::cli {

void DrawRequestedPictures(const PictureRequest &request);

} // namespace tarvo::cli
