// What the tests of the viewing windows share: results files written as the
// entry window writes them, message boxes closed and counted, and moving the
// activation between windows as a user and a window manager would.
#pragma once

#include "FormsFixture.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <initializer_list>

inline constexpr char columnHeaderText[] = "        Indice    Flottant       Entier           Configuration";
inline const QString columnHeader = QString::fromLatin1(columnHeaderText);

// A results line without its line end.
inline QByteArray resultLine(double indice, double flottant, double entier, const char *configuration)
{
    return QString::asprintf("%12.2f%12.2f%12.2f            ", indice, flottant, entier).toLatin1() + configuration;
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Appends to the results file of the working directory.
inline void appendLine(const QByteArray &line)
{
    QFile file(QStringLiteral("TARVODAT.TXT"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(line + "\r\n"), line.size() + 2);
}

// What a user's click into a window does once another one had the focus.
inline void comeBackTo(QWidget *window)
{
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
}

// The windows created once, a stand-in for another application to move the
// activation to, and the directory to come back to after each case.
class ViewingStage {
public:
    void setUp()
    {
        startDir = QDir::currentPath();
        createAllForms();
        elsewhere.setWindowTitle(QStringLiteral("another application"));
        elsewhere.show();
    }

    // Every case starts with these windows hidden, so that showing one
    // activates it, in the start-up directory.
    void reset(std::initializer_list<QWidget *> forms)
    {
        for (QWidget *form : forms)
            form->setVisible(false);
        // The offscreen platform keeps a hidden window as its focus window and
        // then ignores its activation when shown again; a window manager would not.
        comeBackTo(&elsewhere);
        QDir::setCurrent(startDir);
    }

    QString startDir;
    QWidget elsewhere;
};

// Closes every message box that comes up while it lives (inside the nested loop
// of the call under test), counting them.
class MessageBoxes {
public:
    MessageBoxes()
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ++count;
                text = box->text();
                box->done(QMessageBox::Ok);
            }
        });
        poll_.start();
    }

    int count = 0;
    QString text;

private:
    QTimer poll_;
};
