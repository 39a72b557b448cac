// The report's section for --threads and --per-core, made from the mode's
// own JSON document (the figures as other programs read them): each round's
// threads, the multi-core results, the scaling and the medians of repeated
// rounds; or each CPU's kind, cluster, siblings and results with its mark.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvo::cli {

// HTML, every text escaped; empty when the document is neither mode's.
QString ManyCoresSection(const QByteArray &json);

} // namespace tarvo::cli
