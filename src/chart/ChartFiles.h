// The picture written to a file, its format taken from the name's extension:
// ".png" (an image at `scale` pixels per point, crisp on a screen at that
// scale), ".svg" or ".pdf" (drawn as shapes and text, sharp at any size). The
// file is written whole or not at all, through QSaveFile.
#pragma once

#include "chart/ChartModel.h"

#include <QByteArray>
#include <QString>

namespace tarvo::chart {

inline constexpr int DefaultWidth = 900;

// The extensions understood, for messages and file dialogs.
bool KnownImageName(const QString &path);

// Throws EWriteError with a French message naming the file.
void SaveChart(const ChartModel &model, const QString &path, int width = DefaultWidth, double scale = 1.0);

// The picture as an SVG document, for a page that holds it inline.
QByteArray ChartSvg(const ChartModel &model, int width = DefaultWidth);

} // namespace tarvo::chart
