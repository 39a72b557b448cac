#include "framework/Dialogs.h"

#include "framework/BoundInput.h"
#include "framework/Form.h"

#include <QInputDialog>
#include <QLineEdit>

#include <limits>

namespace tarvo {

QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText, qsizetype longest)
{
    QWidget *parent = TForm::ActiveForm();
    if (parent && !parent->isVisible())
        parent = nullptr;
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // The edit field would otherwise stop taking text at 32,767 characters and
    // cut a longer paste without a word: an answer is taken whole.
    if (auto *edit = dialog.findChild<QLineEdit *>()) {
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setText(defaultText);
        if (longest < std::numeric_limits<qsizetype>::max())
            BoundInput(edit, longest);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
}

} // namespace tarvo
