// The framework's small dialogs and screen state: the modal input box, the
// bound on what an edit field takes, and the hourglass cursor.
#pragma once

#include <QString>

class QLineEdit;

namespace tarvo {

// Modal; the edited text when confirmed, the default unchanged when cancelled.
// The edit field is bounded as BoundInput says.
QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText);

// Makes the edit field refuse, with a message, any text of more than LongestText
// characters: typed, pasted (keys, middle button, its menu), dropped or given by
// an input method. A paste or drop is measured before the field takes it, since
// a field lays out and draws a long text slowly; the field keeps its text.
void BoundInput(QLineEdit *edit);

// The hourglass cursor for as long as the object lives, so that whatever ends
// a long operation early, the cursor comes back.
class HourglassCursor {
public:
    HourglassCursor();
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;
};

} // namespace tarvo
