#include "framework/Dialogs.h"

#include "core/DataFiles.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Form.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QValidator>

#include <limits>
#include <memory>

namespace tarvo {

namespace {

// Typed text is checked by the field's validator, which sees each text the
// field would take. Pastes and drops are measured before the field inserts
// them: it would otherwise take one undo step per character and lay the whole
// line out, seconds for a million characters, before the validator refuses it.
class Bound final : public QValidator {
public:
    explicit Bound(QLineEdit *edit)
        : QValidator(edit)
        , edit_(edit)
    {
        edit->setValidator(this);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::inputRejected, this, [this] { refuse(refused_); });
    }

    State validate(QString &input, int &) const override
    {
        if (input.size() <= LongestText)
            return Acceptable;
        refused_ = input.size();
        return Invalid;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != edit_ || edit_->isReadOnly())
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
                return refused(QGuiApplication::clipboard()->text(QClipboard::Clipboard), true);
            return false;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton
                && QGuiApplication::clipboard()->supportsSelection())
                return refused(QGuiApplication::clipboard()->text(QClipboard::Selection), false);
            return false;
        case QEvent::Drop: {
            const QMimeData *data = static_cast<QDropEvent *>(event)->mimeData();
            if (!data || !refused(data->text(), false))
                return false;
            event->ignore(); // the source keeps its text
            return true;
        }
        case QEvent::InputMethod:
            return refused(static_cast<QInputMethodEvent *>(event)->commitString(), true);
        case QEvent::ContextMenu:
            showMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        default:
            return false;
        }
    }

private:
    // Whether the text, put in the field, would make it too long; if so the
    // user is told.
    bool refused(const QString &incoming, bool replacesSelection)
    {
        const qsizetype kept = edit_->text().size() - (replacesSelection ? edit_->selectedText().size() : 0);
        if (kept + incoming.size() <= LongestText)
            return false;
        refuse(kept + incoming.size());
        return true;
    }

    void refuse(qsizetype length)
    {
        TApplication::Invoke([length] { throw EEncodingError(TooLong(length, LongestText)); });
    }

    // The field's own menu, its paste measured like the keys'.
    void showMenu(const QPoint &at)
    {
        const std::unique_ptr<QMenu> menu(edit_->createStandardContextMenu());
        const QString paste = QLineEdit::tr("&Paste");
        for (QAction *action : menu->actions()) {
            if (!action->text().startsWith(paste))
                continue;
            action->disconnect(edit_);
            connect(action, &QAction::triggered, edit_, [this] {
                if (!refused(QGuiApplication::clipboard()->text(QClipboard::Clipboard), true))
                    edit_->paste();
            });
        }
        menu->exec(at);
    }

    QLineEdit *edit_;
    mutable qsizetype refused_ = 0;
};

} // namespace

void BoundInput(QLineEdit *edit)
{
    new Bound(edit);
}

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
    // The edit field would otherwise stop taking text at 32,767 characters and
    // cut a longer paste without a word: an answer is taken whole.
    if (auto *edit = dialog.findChild<QLineEdit *>()) {
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setText(defaultText);
        BoundInput(edit);
    }
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
