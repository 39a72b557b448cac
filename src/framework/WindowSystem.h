// What the forms need from the window system that Qt leaves to the program, on
// X11 and on Wayland alike: repaints sent while the message loop is blocked, the
// window manager's frame known before a form is first shown (so that it can be
// centred by its frame), and the designed faces drawn right at any screen scale.
#pragma once

#include <QFont>
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

// The font to draw a designed font with on a screen of this device pixel ratio.
// Qt draws a bitmap face right only at a ratio of 1: at any other ratio it takes
// the glyphs of the strike of the logical size and only spaces them for the
// device size. It cannot embolden a bitmap face either. In both cases Tahoma,
// the scalable design of the same family, stands in at the same pixel size.
QFont ScreenFont(const QFont &designed, qreal devicePixelRatio);

} // namespace tarvo
