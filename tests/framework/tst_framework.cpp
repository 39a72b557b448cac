// The framework's activation rules and guarded dispatch, on forms of its own.
#include "../ModalDialogs.h"
#include "../ScratchFiles.h"

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/BusyCursor.h"
#include "framework/Dialogs.h"
#include "framework/Fonts.h"
#include "framework/ListBox.h"

#include <QAccessible>
#include <QFile>
#include <QFontInfo>
#include <QInputDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTemporaryDir>

#include <algorithm>
#include <new>

using tarvo::TForm;

namespace {

class CountingForm : public TForm {
public:
    explicit CountingForm(BorderIcons icons = BorderIcons::SystemMenu)
        : TForm(icons)
    {
        resize(200, 100);
        finishCreate();
        OnActivate = [this] {
            ++activations;
            if (throwOnActivate)
                throw tarvo::EFOpenError("activation failed");
        };
    }
    int activations = 0;
    bool throwOnActivate = false;
};

class ThrowingForm : public TForm {
public:
    ThrowingForm()
        : TForm(BorderIcons::None)
        , button(new QPushButton(QStringLiteral("go"), this))
    {
        resize(200, 100);
        finishCreate();
        tarvo::connectHandler(button, &QPushButton::clicked, this, &ThrowingForm::Click);
    }
    void Click()
    {
        ++clicks;
        if (clicks == 1)
            throw tarvo::EConvertError("« x » n'est pas un nombre entier valide.");
        if (clicks == 2)
            throw std::logic_error("not ours");
        if (clicks == 3)
            throw 42;
        if (clicks == 4)
            throw std::bad_alloc();
    }
    QPushButton *button;
    int clicks = 0;
};

// A list box of `count` lines "000000" to its last, 13 pixels a row, shown.
std::unique_ptr<tarvo::TListBox> shownList(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray::number(i).rightJustified(6, '0') + "\r\n";
    QFile file(QStringLiteral("rows.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return nullptr;
    file.close();
    auto list = std::make_unique<tarvo::TListBox>();
    list->setItemHeight(13);
    list->resize(200, 209);
    list->LoadFromFile("rows.txt");
    list->show();
    list->setFocus();
    return list;
}

QStringList itemsOf(const tarvo::TListBox &list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items.append(list.item(i));
    return items;
}

} // namespace

class TestFramework : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        tarvo::TApplication::Initialize();
    }

    void init()
    {
        // Each case starts with its own forms, all hidden, and no active one.
        a = std::make_unique<CountingForm>();
        b = std::make_unique<CountingForm>();
    }
    void cleanup()
    {
        a.reset();
        b.reset();
    }

    void showingActivatesBeforeReturning()
    {
        a->setVisible(true);
        QCOMPARE(a->activations, 1);
        QCOMPARE(TForm::ActiveForm(), a.get());

        // Setting the current value changes nothing.
        a->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(a.get()));
        QCOMPARE(a->activations, 1);

        a->setVisible(false);
        QVERIFY(!a->isVisible());
        a->setVisible(false);
        a->setVisible(true);
        QCOMPARE(a->activations, 2);
    }

    void runsAgainWhenComingFromAnotherForm()
    {
        a->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(a.get()));
        b->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(b.get()));
        QCOMPARE(a->activations, 1);
        QCOMPARE(b->activations, 1);

        // The user clicks back into the first form.
        a->activateWindow();
        QTRY_COMPARE(a->activations, 2);
        QCOMPARE(b->activations, 1);
    }

    // On Wayland the window system's activation may come after the click is
    // handled: the press itself moves the user to the form.
    void pressIntoAnotherFormActivatesItAtOnce()
    {
        a->setVisible(true);
        b->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(b.get()));
        QTest::mousePress(a.get(), Qt::LeftButton);
        QCOMPARE(a->activations, 2);
        QTest::mouseRelease(a.get(), Qt::LeftButton);
        QTest::mouseClick(a.get(), Qt::LeftButton);
        a->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(a.get()));
        QCOMPARE(a->activations, 2);
        QCOMPARE(b->activations, 1);
    }

    void staleActivationWhileShowingIsIgnored()
    {
        CountingForm previous;
        previous.setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(&previous));
        a->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(a.get()));
        b->setVisible(true);
        // Before the window system confirms the new form, it may pass the focus
        // around the older ones: that is not the user coming back to them.
        QApplication::setActiveWindow(&previous);
        QCOMPARE(previous.activations, 1);
        QVERIFY(QTest::qWaitForWindowActive(b.get()));
        QCOMPARE(b->activations, 1);
    }

    void modalDialogClosingIsNoActivation()
    {
        a->setVisible(true);
        QVERIFY(QTest::qWaitForWindowActive(a.get()));

        bool seen = false;
        onNextModal([](QDialog *dialog) { dialog->reject(); }, &seen);
        QCOMPARE(tarvo::InputBox("Titre", "Question :", "défaut"), QStringLiteral("défaut"));
        QVERIFY(seen);

        onNextModal([](QDialog *dialog) { dialog->accept(); }, &seen);
        tarvo::TApplication::ShowException(std::runtime_error("message"));
        QVERIFY(seen);

        // The window manager gives the activation back to the form beneath.
        a->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(a.get()));
        QCOMPARE(a->activations, 1);
    }

    void inputBoxReturnsTheEditedText()
    {
        a->setVisible(true);
        onNextModal([](QDialog *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            QVERIFY(input);
            QCOMPARE(input->objectName(), QStringLiteral("InputBox"));
            QCOMPARE(input->windowTitle(), QStringLiteral("Titre"));
            QCOMPARE(input->labelText(), QStringLiteral("Question :"));
            QCOMPARE(input->textValue(), QStringLiteral("défaut"));
            // Qt's own buttons speak French too.
            const auto buttons = input->findChildren<QPushButton *>();
            QVERIFY(std::any_of(buttons.begin(), buttons.end(),
                                [](QPushButton *b) { return b->text() == QStringLiteral("Annuler"); }));
            input->setTextValue(QStringLiteral("  nouveau  "));
            input->accept();
        });
        QCOMPARE(tarvo::InputBox("Titre", "Question :", "défaut"), QStringLiteral("  nouveau  "));
    }

    void handlerExceptionsAreShownAndTheLoopGoesOn_data()
    {
        QTest::addColumn<int>("click");
        QTest::addColumn<QString>("message");
        QTest::newRow("framework error") << 1 << QString::fromUtf8("« x » n'est pas un nombre entier valide.");
        QTest::newRow("standard exception") << 2 << "not ours";
        QTest::newRow("anything else") << 3 << "Une erreur inattendue s'est produite.";
        QTest::newRow("out of memory")
            << 4 << "La mémoire disponible ne suffit pas : l'opération a été abandonnée. Le programme continue.";
    }
    void handlerExceptionsAreShownAndTheLoopGoesOn()
    {
        QFETCH(int, click);
        QFETCH(QString, message);
        ThrowingForm form;
        form.setVisible(true);
        form.clicks = click - 1;

        QString shown;
        onNextModal([&shown](QDialog *dialog) {
            shown = messageText(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("CPU Tarvo 32"));
            dialog->accept();
        });
        QTest::mouseClick(form.button, Qt::LeftButton);
        QCOMPARE(shown, message);
        QCOMPARE(form.clicks, click);

        // The application is still running its loop: timers and handlers go on.
        bool fired = false;
        QTimer::singleShot(0, [&fired] { fired = true; });
        QTRY_VERIFY(fired);
    }

    // Whatever a message quotes, its box fits the screen, and the file's name
    // and the reason at its end stay whole.
    void longMessagesFitTheScreen_data()
    {
        QTest::addColumn<QString>("quoted");
        QTest::newRow("one long word") << QString(10000, u'x');
        QTest::newRow("very deep folder") << QStringLiteral("/wwwwwwwwwwwwwwwwwwwwwwwww").repeated(250);
    }
    void longMessagesFitTheScreen()
    {
        QFETCH(QString, quoted);
        const QString end = QStringLiteral("/TARVODAT.TXT » : Aucun espace disponible sur le périphérique.");
        QString shown;
        onNextModal([&shown](QDialog *dialog) {
            const QSize screen = dialog->screen()->availableGeometry().size();
            if (dialog->frameGeometry().width() <= screen.width() && dialog->frameGeometry().height() <= screen.height())
                shown = messageText(dialog).remove(QChar(0x200B));
            dialog->accept();
        });
        tarvo::TApplication::ShowException(tarvo::EWriteError(("« " + quoted + end).toStdString()));
        QVERIFY2(shown.startsWith("« " + quoted.left(50)) && shown.endsWith(end), qPrintable(shown));
    }

    void activationErrorIsShownAndShowingReturns()
    {
        a->throwOnActivate = true;
        QString shown;
        onNextModal([&shown](QDialog *dialog) {
            shown = messageText(dialog);
            dialog->accept();
        });
        a->setVisible(true);
        QCOMPARE(shown, QStringLiteral("activation failed"));
        QVERIFY(a->isVisible());
        QCOMPARE(a->activations, 1);
    }

    void closeBoxes()
    {
        // With a close box, closing only hides.
        a->setVisible(true);
        QVERIFY(a->close());
        QVERIFY(!a->isVisible());
        QVERIFY(!a->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(a->windowFlags() & Qt::WindowCloseButtonHint);

        // Without one, close requests (Alt+F4) are refused; Close() still works.
        CountingForm fixed(TForm::BorderIcons::None);
        QVERIFY(!(fixed.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(fixed.windowFlags() & Qt::WindowSystemMenuHint));
        fixed.setVisible(true);
        QVERIFY(!fixed.close());
        QVERIFY(fixed.isVisible());
        fixed.Close();
        QVERIFY(!fixed.isVisible());
    }

    void fixedSizeCentredOnScreen()
    {
        a->setVisible(true);
        QCOMPARE(a->minimumSize(), QSize(200, 100));
        QCOMPARE(a->maximumSize(), QSize(200, 100));
        const QRect screen = a->screen()->availableGeometry();
        // Within the window frame's width, which is unknown before the first showing.
        QVERIFY(qAbs(a->frameGeometry().center().x() - screen.center().x()) <= 3);
        QVERIFY(qAbs(a->frameGeometry().center().y() - screen.center().y()) <= 3);
    }

    // The bitmap face only where Qt draws it right: unscaled and regular.
    void screenFontPerScale_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QString>("drawn");
        const QString bitmap = QStringLiteral("MS Sans Serif");
        const QString scalable = QStringLiteral("Tahoma");
        QTest::newRow("bitmap at 100 %") << bitmap << false << 1.0 << bitmap;
        QTest::newRow("bitmap at 125 %") << bitmap << false << 1.25 << scalable;
        QTest::newRow("bitmap at 150 %") << bitmap << false << 1.5 << scalable;
        QTest::newRow("bitmap at 200 %") << bitmap << false << 2.0 << scalable;
        QTest::newRow("bitmap bold at 100 %") << bitmap << true << 1.0 << scalable;
        QTest::newRow("scalable bold at 200 %") << scalable << true << 2.0 << scalable;
    }
    void screenFontPerScale()
    {
        QFETCH(QString, family);
        QFETCH(bool, bold);
        QFETCH(qreal, ratio);
        QFETCH(QString, drawn);
        QFont designed(family);
        designed.setPixelSize(11);
        designed.setBold(bold);
        const QFont font = tarvo::ScreenFont(designed, ratio);
        QCOMPARE(QFontInfo(font).family(), drawn);
        QCOMPARE(font.pixelSize(), 11);
        QCOMPARE(font.bold(), bold);
    }

    // Rows placed by their number: the keys reach the row they promise and the
    // view follows it. Rows: the first or the last, then whole pages (the rows
    // that fit, less one), then rows.
    void listKeysReachTheirRow_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<bool>("fromLast");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rows");
        // The focus makes the first row the current one.
        QTest::newRow("down") << QList<int>{Qt::Key_Down} << false << 0 << 1;
        QTest::newRow("down three times") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << false << 0 << 3;
        QTest::newRow("page down twice") << QList<int>{Qt::Key_Down, Qt::Key_PageDown, Qt::Key_PageDown} << false
                                         << 2 << 1;
        QTest::newRow("end") << QList<int>{Qt::Key_End} << true << 0 << 0;
        QTest::newRow("end, up") << QList<int>{Qt::Key_End, Qt::Key_Up} << true << 0 << -1;
        QTest::newRow("end, page up") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << true << -1 << 0;
        QTest::newRow("end, home") << QList<int>{Qt::Key_End, Qt::Key_Home} << false << 0 << 0;
        QTest::newRow("up at the top") << QList<int>{Qt::Key_Down, Qt::Key_Up} << false << 0 << 0;
        QTest::newRow("down at the end") << QList<int>{Qt::Key_End, Qt::Key_Down} << true << 0 << 0;
    }
    void listKeysReachTheirRow()
    {
        QFETCH(QList<int>, keys);
        QFETCH(bool, fromLast);
        QFETCH(int, pages);
        QFETCH(int, rows);
        const int count = 100000;
        const auto list = shownList(count);
        QVERIFY(list);
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        const int page = list->viewport()->height() / 13 - 1;
        for (const int key : keys)
            QTest::keyClick(list.get(), Qt::Key(key));
        const int expected = (fromLast ? count - 1 : 0) + pages * page + rows;
        QCOMPARE(list->currentIndex().row(), expected);
        QCOMPARE(list->selectionModel()->selectedIndexes(), QModelIndexList{list->currentIndex()});
        const QRect shown = list->visualRect(list->currentIndex());
        QVERIFY2(list->viewport()->rect().contains(shown), qPrintable(QStringLiteral("row %1 at y %2").arg(expected).arg(shown.y())));
        QCOMPARE(list->indexAt(shown.center()), list->currentIndex());
    }

    void listClickPicksTheRowUnderThePointerAsAScreenReaderSeesIt()
    {
        const auto list = shownList(1000);
        QVERIFY(list);
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        list->scrollTo(list->model()->index(500, 0), QAbstractItemView::PositionAtTop);
        QCOMPARE(list->verticalScrollBar()->value(), 500);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 5 * 13 + 6));
        QCOMPARE(list->currentIndex().row(), 505);
        QVERIFY(list->selectionModel()->isSelected(list->currentIndex()));

        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(list.get());
        QCOMPARE(view->role(), QAccessible::List);
        QAccessibleInterface *cell = view->tableInterface()->cellAt(505, 0);
        QCOMPARE(cell->role(), QAccessible::ListItem);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("000505"));
        const QRect onScreen = cell->rect();
        QCOMPARE(onScreen.topLeft(), list->viewport()->mapToGlobal(QPoint(0, 5 * 13)));
        QCOMPARE(onScreen.height(), 13);
        // The last row can be scrolled to and is whole.
        list->scrollToBottom();
        QCOMPARE(list->indexAt(QPoint(1, list->viewport()->height() - 1 - list->viewport()->height() % 13)).row(),
                 999);
    }

    void hourglassComesBackWhateverHappens()
    {
        try {
            tarvo::HourglassCursor hourglass;
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            throw std::runtime_error("interrupted");
        } catch (const std::runtime_error &) {
        }
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void loadedListHasItsScrollBarAtOnce()
    {
        // Shown or hidden when the load returns, not once the loop runs: the
        // repaint that follows a load draws the list once, as it stays.
        auto list = shownList(3);
        QVERIFY(list);
        QTRY_VERIFY(list->isVisible());
        QVERIFY(!list->verticalScrollBar()->isVisible());
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("many.txt")).toStdString();
        QVERIFY(writeFile(QString::fromStdString(path), QByteArray("x\r\n").repeated(100)));
        list->LoadFromFile(path);
        QVERIFY(list->verticalScrollBar()->isVisible());
        list->LoadFromFile("rows.txt");
        QVERIFY(!list->verticalScrollBar()->isVisible());
    }

    void loadRunsMeanwhileBeforeTheItemsChange_data()
    {
        QTest::addColumn<bool>("heldByAnother");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("a file no list holds yet, read aside meanwhile") << false << true << QStringList{"a", "b", "c"};
        QTest::newRow("a file another list holds, reloaded after") << true << true << QStringList{"a", "b", "c"};
        QTest::newRow("a file that cannot be opened: the items stay") << false << false << QStringList{"kept"};
    }
    void loadRunsMeanwhileBeforeTheItemsChange()
    {
        QFETCH(bool, heldByAnother);
        QFETCH(bool, exists);
        QFETCH(QStringList, items);
        QTemporaryDir dir;
        const std::string before = dir.filePath(QStringLiteral("before.txt")).toStdString();
        const std::string path = dir.filePath(QStringLiteral("lines.txt")).toStdString();
        QVERIFY(writeFile(QString::fromStdString(before), "kept\r\n"));
        if (exists)
            QVERIFY(writeFile(QString::fromStdString(path), "b\r\nc\r\na\r\n"));
        tarvo::TListBox other;
        if (heldByAnother)
            other.LoadFromFile(path);
        tarvo::TListBox list;
        list.LoadFromFile(before);

        QStringList seen{"not run"};
        const auto meanwhile = [&] { seen = itemsOf(list); };
        if (exists)
            list.LoadFromFile(path, meanwhile);
        else
            QVERIFY_THROWS_EXCEPTION(tarvo::EFOpenError, list.LoadFromFile(path, meanwhile));
        QCOMPARE(seen, QStringList{"kept"});
        QCOMPARE(itemsOf(list), items);
    }

private:
    std::unique_ptr<CountingForm> a;
    std::unique_ptr<CountingForm> b;
};

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
