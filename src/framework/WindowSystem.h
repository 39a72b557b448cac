// What the forms need from the window system that Qt leaves to the program, on
// X11 and on Wayland alike: repaints sent while the message loop is blocked, the
// window manager's frame known before a form is first shown (so that it can be
// centred by its frame).
#pragma once

#include <QMargins>

class QWidget;

namespace tarvo {

// Sends what was painted so far to the window system at once, without running
// the message loop and without waiting for an answer. Qt on Wayland keeps its
// requests in the connection's buffer until the loop runs again, so a handler
// that blocks the loop would show nothing of its repaints.
void FlushWindowSystem();

// The frame an X11 window manager will put around this top-level widget, asked
// of it before the first showing (_NET_REQUEST_FRAME_EXTENTS). Empty elsewhere,
// or when the window manager does not answer within a short wait.
QMargins ExpectedFrame(QWidget *window);

} // namespace tarvo
