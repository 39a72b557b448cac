// The one drawing of a results file's picture (ChartModel.h) with a QPainter:
// the window paints it on screen and the files (ChartFiles.h) on an image, a
// PDF or an SVG, so every surface shows the same. The layout is computed apart
// so that the window knows where each bar is (tooltips, the keyboard).
#pragma once

#include "chart/ChartModel.h"

#include <QColor>
#include <QFont>
#include <QRectF>

#include <vector>

class QPainter;

namespace tarvo::chart {

// Colours that stay apart for colour-blind readers and in greyscale print:
// a dark blue beside a light orange, this machine also outlined and in bold.
inline const QColor OthersColour(0x00, 0x72, 0xB2);
inline const QColor MachineColour(0xE6, 0x9F, 0x00);

struct Layout {
    QRectF title, summary, histogram, bars;
    std::vector<QRectF> barRows; // one a bar, label and value included
    double labelWidth = 0.0;
    double rowHeight = 0.0;
};

Layout LayOut(const ChartModel &model, const QSizeF &size, const QFont &font);

// The height the picture needs at `width` to show every bar at its row height.
double NeededHeight(const ChartModel &model, double width, const QFont &font);
// The least height that still gives every bar a row of a line of text: a
// window lower than that scrolls.
double SmallestHeight(const ChartModel &model, const QFont &font);

// The font the files are drawn with.
QFont ChartFont();

// `focused`: the bar the keyboard is on in the window, -1 for none.
void Paint(QPainter &painter, const ChartModel &model, const Layout &layout, const QFont &font,
           int focused = -1);

} // namespace tarvo::chart
