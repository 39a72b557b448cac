#include "framework/BoundInput.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/Application.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QValidator>

#include <memory>

namespace tarvo {

namespace {

// Typed text is checked by the field's validator, which sees each text the
// field would take. Pastes and drops are measured before the field inserts
// them: it would otherwise take one undo step per character and lay the whole
// line out, seconds for a million characters, before the validator refuses it.
class Bound final : public QValidator {
public:
    Bound(QLineEdit *edit, qsizetype longest)
        : QValidator(edit)
        , edit_(edit)
        , longest_(longest)
    {
        edit->setValidator(this);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::inputRejected, this, [this] { refuse(refused_); });
    }

    State validate(QString &input, int &) const override
    {
        if (input.size() <= longest_)
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
        if (kept + incoming.size() <= longest_)
            return false;
        refuse(kept + incoming.size());
        return true;
    }

    void refuse(qsizetype length)
    {
        TApplication::Invoke([this, length] { throw Exception(TooLong(length, longest_)); });
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
    qsizetype longest_;
    mutable qsizetype refused_ = 0;
};

} // namespace

void BoundInput(QLineEdit *edit, qsizetype longest)
{
    new Bound(edit, longest);
}

} // namespace tarvo
