// The framework's modal input box, over the active form, its buttons in French
// (Qt's translations, loaded by the application).
#pragma once

#include <QString>

#include <limits>

namespace tarvo {

// Modal; the edited text when confirmed, the default unchanged when cancelled.
// The edit field takes at most `longest` characters, as BoundInput says.
QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                 qsizetype longest = std::numeric_limits<qsizetype>::max());

} // namespace tarvo
