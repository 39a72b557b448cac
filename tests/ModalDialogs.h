// Drives modal dialogs from inside the nested loop of the call under test, for
// the tests of the forms and of the framework alike.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Runs `action` on the next modal dialog once it is shown (polled, since it
// appears inside a nested loop of the call under test). `seen` tells whether
// one came up at all.
inline void onNextModal(std::function<void(QDialog *)> action, bool *seen = nullptr)
{
    if (seen)
        *seen = false;
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto *waited = new int(0);
    QObject::connect(poll, &QTimer::timeout, [poll, waited, action, seen] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && ++*waited < 500)
            return;
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (dialog) {
            if (seen)
                *seen = true;
            action(dialog);
        }
    });
    poll->start();
}

// The text of a message box, for checking what the user was told.
inline QString messageText(QDialog *dialog)
{
    auto *box = qobject_cast<QMessageBox *>(dialog);
    return box ? box->text() : QString();
}

// The next message box: `seen` tells whether one came up, `message` gets its
// text; the box is then closed.
inline void acknowledge(bool *seen, QString *message)
{
    *seen = false;
    onNextModal([=](QDialog *dialog) {
        *seen = qobject_cast<QMessageBox *>(dialog) != nullptr;
        *message = messageText(dialog);
        dialog->accept();
    });
}
