// A bound on what an edit field takes, for the fields whose text goes into a
// line of a file: the input box (Dialogs.h) and the combo box (ComboBox.h),
// each given its bound by the form that uses it.
#pragma once

#include <QtGlobal>

class QLineEdit;

namespace tarvo {

// Makes the edit field refuse, with a message, any text of more than `longest`
// characters: typed, pasted (keys, middle button, its menu), dropped or given by
// an input method. A paste or drop is measured before the field takes it, since
// a field lays out and draws a long text slowly; the field keeps its text.
void BoundInput(QLineEdit *edit, qsizetype longest);

} // namespace tarvo
