#include "framework/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tarvo {

HourglassCursor::HourglassCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace tarvo
