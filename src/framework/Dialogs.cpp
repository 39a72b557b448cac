#include "framework/Dialogs.h"

#include "framework/Form.h"

#include <QGuiApplication>
#include <QInputDialog>

namespace tarvo {

QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText)
{
    QWidget *parent = TForm::ActiveForm();
    if (parent && !parent->isVisible())
        parent = nullptr;
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
}

HourglassCursor::HourglassCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace tarvo
