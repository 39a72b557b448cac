// The HTML report: one page that needs nothing else to be read, no network,
// no script, no font or style from outside (its content security policy says
// so to the browser): the version and date, the machine's conditions, each
// run's kernels and results, the summary and verdict of repeated runs, this
// machine's rank and the chart, inline as SVG. Every text that came from a
// file or the system is escaped.
#pragma once

#include "chart/ChartModel.h"
#include "cli/CommandLine.h"

#include <QString>

namespace tarvo::cli {

// Throws EWriteError naming the file when it cannot be written.
void WriteReport(const QString &path, const chart::ChartModel &model, const PictureRequest &request);

} // namespace tarvo::cli
