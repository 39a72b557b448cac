// The one check that pins a window to its control table: its caption and size,
// then each control's class, geometry and caption, then the tab order. Designer
// edits move and rename widgets silently; this catches them the same way for
// every window. A test fills rows from a table in its _data() function and
// checks the current row in the test function:
//     void controlTable_data() { addControlTableRows(design()); }
//     void controlTable() { checkControlTableRow(FormX, design()); }
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QMetaType>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <vector>

struct Control {
    const char *name;
    const char *kind; // the class, as its meta-object names it
    QRect geometry;
    const char *text = nullptr; // the caption (UTF-8); nullptr for a control without one
    int alignment = 0;          // Qt::AlignLeft or Qt::AlignRight where the table says; 0 unchecked
};
Q_DECLARE_METATYPE(Control)

struct FormDesign {
    const char *caption; // UTF-8
    QSize size;
    std::vector<Control> controls;
    QStringList tabOrder; // the controls that take Tab, in order
};

// A row "window" for the caption, size and tab order, then one row per control.
inline void addControlTableRows(const FormDesign &design)
{
    QTest::addColumn<Control>("control");
    QTest::newRow("window") << Control{};
    for (const Control &control : design.controls)
        QTest::newRow(control.name) << control;
}

namespace controltable {

// The tab stops among the table's controls, in the order Tab visits them from
// the window itself.
inline QStringList visitedTabStops(QWidget *form, const FormDesign &design)
{
    QStringList named;
    for (const Control &control : design.controls)
        named << QString::fromLatin1(control.name);
    QStringList visited;
    QWidget *widget = form->nextInFocusChain();
    for (; widget && widget != form; widget = widget->nextInFocusChain()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && named.contains(widget->objectName())
            && !visited.contains(widget->objectName()))
            visited << widget->objectName();
    }
    return visited;
}

inline void checkWindow(QWidget *form, const FormDesign &design)
{
    QCOMPARE(form->windowTitle(), QString::fromUtf8(design.caption));
    QCOMPARE(form->size(), design.size);
    QCOMPARE(visitedTabStops(form, design), design.tabOrder);
}

inline void checkControl(QWidget *form, const Control &control)
{
    auto *widget = form->findChild<QWidget *>(control.name);
    QVERIFY2(widget, control.name);
    QCOMPARE(widget->metaObject()->className(), control.kind);
    QCOMPARE(widget->geometry(), control.geometry);
    const QString text = QString::fromUtf8(control.text);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        // A caption is shown as written, never read as markup.
        QCOMPARE(label->textFormat(), Qt::PlainText);
        if (control.alignment)
            QCOMPARE(int(label->alignment() & (Qt::AlignLeft | Qt::AlignRight)), control.alignment);
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
    } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
        QCOMPARE(box->currentText(), text);
    } else {
        QVERIFY2(!control.text, "a caption for a control that shows none");
    }
}

} // namespace controltable

inline void checkControlTableRow(QWidget *form, const FormDesign &design)
{
    QFETCH(Control, control);
    if (!control.name)
        controltable::checkWindow(form, design);
    else
        controltable::checkControl(form, control);
}
