// What screen readers and GUI automation get from every window, the test window
// included (it is on screen only while the test blocks the loop, so the
// end-to-end test cannot ask it): windows named by their captions, buttons and
// labels by the texts they show, list items by their lines.
#include "FormsFixture.h"

#include "framework/ListBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLabel>

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { createAllForms(); }

    void everyWindow_data()
    {
        QTest::addColumn<QWidget *>("form");
        QTest::newRow("main") << static_cast<QWidget *>(FormPrincipale);
        QTest::newRow("test") << static_cast<QWidget *>(FormTest);
        QTest::newRow("entry") << static_cast<QWidget *>(FormSaisie);
        QTest::newRow("stored results") << static_cast<QWidget *>(FormConsulter);
        QTest::newRow("column explanation") << static_cast<QWidget *>(FormDetails);
        QTest::newRow("comparison") << static_cast<QWidget *>(FormComparer);
    }
    void everyWindow()
    {
        QFETCH(QWidget *, form);
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(form);
        QVERIFY(window);
        QVERIFY(!form->windowTitle().isEmpty());
        QCOMPARE(window->text(QAccessible::Name), form->windowTitle());

        for (auto *button : form->findChildren<QAbstractButton *>()) {
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(button);
            QVERIFY2(!button->text().isEmpty(), qPrintable(button->objectName()));
            QCOMPARE(control->text(QAccessible::Name), QString(button->text()).remove(u'&'));
        }
        for (auto *label : form->findChildren<QLabel *>()) {
            // Static texts show "&" as it is, so their name keeps it too.
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(label);
            QCOMPARE(control->text(QAccessible::Name), label->text());
        }
        for (auto *combo : form->findChildren<QComboBox *>()) {
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(combo);
            QCOMPARE(control->role(), QAccessible::ComboBox);
            QCOMPARE(control->text(QAccessible::Value), combo->currentText());
        }
    }

    void listItemsReadAsTheirLines()
    {
        QFile file(QStringLiteral("lines.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("      250.00 P2 450 \xe0 500\r\n       75.50 P1 300 \xe0 333\r\n");
        file.close();

        const QList<QWidget *> forms{FormConsulter, FormComparer};
        int lists = 0;
        for (QWidget *form : forms) {
            for (auto *list : form->findChildren<tarvo::TListBox *>()) {
                ++lists;
                list->LoadFromFile("lines.txt");
                QAccessibleInterface *view = QAccessible::queryAccessibleInterface(list);
                QAccessibleTableInterface *table = view->tableInterface();
                QVERIFY(table);
                QCOMPARE(table->rowCount(), 2);
                QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name),
                         QString::fromUtf8("       75.50 P1 300 à 333"));
                QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name),
                         QString::fromUtf8("      250.00 P2 450 à 500"));
            }
        }
        QCOMPARE(lists, 2);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
