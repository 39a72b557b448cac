// The framework's small dialogs and screen state: the modal input box and the
// hourglass cursor.
#pragma once

#include <QString>

namespace tarvo {

// Modal; the edited text when confirmed, the default unchanged when cancelled.
QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText);

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
