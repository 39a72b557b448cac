// The fonts of the windows: the faces they were designed with, registered from
// Debian's fonts-wine, the designed font given to a form and its controls,
// and the face that draws it right on the screen at hand. Qt draws a bitmap
// face right only unscaled and regular; elsewhere Tahoma, the scalable design
// of the same family, stands in at the same pixel size. The application
// registers the faces at start-up; each form takes its font as it is made.
#pragma once

#include <QFont>

class QWidget;

namespace tarvo {

// Registers the designed faces where they are installed; without them Qt falls
// back to its default sans.
void RegisterDesignedFaces();

// Gives a form the designed font ("MS Sans Serif" 8 points at 96 pixels per
// inch), and its controls with a font of their own (bold labels, the title)
// their face, as drawn on the form's screen.
void GiveDesignedFont(QWidget *form);

// The font to draw a designed font with on a screen of this device pixel ratio.
// Qt draws a bitmap face right only at a ratio of 1: at any other ratio it takes
// the glyphs of the strike of the logical size and only spaces them for the
// device size. It cannot embolden a bitmap face either. In both cases Tahoma
// stands in at the same pixel size.
QFont ScreenFont(const QFont &designed, qreal devicePixelRatio);

} // namespace tarvo
