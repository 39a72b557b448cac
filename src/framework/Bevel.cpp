#include "framework/Bevel.h"

#include <QPainter>

namespace tarvo {

TBevel::TBevel(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void TBevel::paintEvent(QPaintEvent *)
{
    // Lowered: a shadow line with a highlight line under it.
    QPainter painter(this);
    const int y = height() - 2;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, y, width() - 1, y);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, y + 1, width() - 1, y + 1);
}

} // namespace tarvo
