// The entry window with real (offscreen) widgets, run under a French locale so
// that a decimal comma would show in the results file if one slipped in.
#include "../ScratchFiles.h"
#include "ControlTable.h"
#include "FormsFixture.h"

#include "core/DataFiles.h"
#include "core/ErrorTexts.h"
#include "framework/ComboBox.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <climits>
#include <clocale>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using tarvo::TComboBox;

namespace {

// How many pixels of a text drawn in black on white come out dark.
int ink(const QFont &font, const QString &text)
{
    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(4, 30, text);
    painter.end();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

FormDesign design()
{
    return {"Votre machine", {250, 368},
            {{"Label1", "QLabel", {24, 16, 73, 17}, "Processeur"},
             {"ButtonCPU", "QPushButton", {144, 8, 75, 25}, "Nouveau"},
             {"ComboCPU", "tarvo::TComboBox", {40, 40, 185, 21}, ""},
             {"Bevel1", "tarvo::TBevel", {11, 63, 230, 10}},
             {"Label2", "QLabel", {24, 96, 89, 17}, "Fréq. d'origine"},
             {"ButtonFreqOrigine", "QPushButton", {144, 88, 75, 25}, "Nouvelle"},
             {"ComboFreqOrigine", "tarvo::TComboBox", {40, 120, 185, 21}, ""},
             {"Bevel2", "tarvo::TBevel", {11, 143, 230, 10}},
             {"Label3", "QLabel", {24, 176, 105, 17}, "Fréq. d'overclock"},
             {"ButtonFreqOverclock", "QPushButton", {144, 168, 75, 25}, "Nouvelle"},
             {"ComboFreqOverclock", "tarvo::TComboBox", {40, 200, 185, 21}, ""},
             {"Bevel3", "tarvo::TBevel", {11, 223, 230, 10}},
             {"Label4", "QLabel", {24, 256, 62, 13}, "Carte mère"},
             {"ButtonCarteMere", "QPushButton", {144, 248, 75, 25}, "Nouvelle"},
             {"ComboCarteMere", "tarvo::TComboBox", {40, 280, 185, 21}, ""},
             {"Bevel4", "tarvo::TBevel", {11, 303, 230, 10}},
             {"ButtonOK", "QPushButton", {96, 328, 75, 25}, "OK"}},
            {"ButtonCPU", "ButtonFreqOrigine", "ButtonFreqOverclock", "ComboCPU", "ComboFreqOrigine",
             "ComboFreqOverclock", "ButtonCarteMere", "ComboCarteMere", "ButtonOK"}};
}

// The next input box: `seen` tells whether one came up; `asked` gets its
// caption, prompt and default text; `then` runs once it is answered (to wait
// for a message box that follows it).
void answer(const QString &text, bool *seen, QString *asked = nullptr,
            std::function<void()> then = {})
{
    *seen = false;
    onNextModal([=](QDialog *dialog) {
        auto *box = qobject_cast<QInputDialog *>(dialog);
        if (!box)
            return dialog->reject();
        *seen = true;
        if (asked)
            *asked = box->windowTitle() + '|' + box->labelText() + '|' + box->textValue();
        if (text.isNull()) {
            box->reject();
        } else {
            box->setTextValue(text);
            box->accept();
        }
        if (then)
            then();
    });
}

void cancel(bool *seen, QString *asked = nullptr)
{
    answer(QString(), seen, asked);
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

const char *const historyNames[] = {"_CPU.TXT", "_FORIG.TXT", "_FOVER.TXT", "_CMERE.TXT"};

} // namespace

class TestSaisie : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString home_;
    QTimer watchdog_;
    int modalTicks_ = 0;
    QString unexpected_;

    QPushButton *button(const char *name) { return FormSaisie->findChild<QPushButton *>(name); }
    QPushButton *comparer() { return FormPrincipale->findChild<QPushButton *>("ButtonComparer"); }
    TComboBox *combo(const char *name) { return FormSaisie->findChild<TComboBox *>(name); }
    QString file(const char *name) const { return QDir::current().filePath(QString::fromLatin1(name)); }

    // The four values through the four input boxes; false when one did not come up.
    bool giveAll(const QString &cpu, const QString &origine, const QString &overclock, const QString &carte)
    {
        const std::pair<const char *, QString> steps[] = {
            {"ButtonCPU", cpu}, {"ButtonFreqOrigine", origine},
            {"ButtonFreqOverclock", overclock}, {"ButtonCarteMere", carte}};
        for (const auto &[name, text] : steps) {
            bool seen = false;
            answer(text, &seen);
            QTest::mouseClick(button(name), Qt::LeftButton);
            if (!seen)
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        // A French desktop: printf would write "42,00" here.
        QVERIFY2(QByteArray(std::localeconv()->decimal_point) == ",",
                 "the test runs under LC_ALL=fr_FR.UTF-8; run tools/deps.sh to generate it");
        home_ = QDir::currentPath();
        createAllForms();

        // A dialog no case answers would block the test until its time-out: close
        // it and fail the case instead. Expected dialogs are answered within 10 ms.
        connect(&watchdog_, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            modalTicks_ = modal ? modalTicks_ + 1 : 0;
            if (modalTicks_ < 20)
                return;
            auto *box = qobject_cast<QMessageBox *>(modal);
            unexpected_ = modal->windowTitle() + QStringLiteral(": ") + (box ? box->text() : QString());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            modalTicks_ = 0;
        });
        watchdog_.start(100);
    }

    void init()
    {
        // Each case starts in an empty working directory: the data files live there.
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
        unexpected_.clear();
        // The entry state and the record are never reset by the program; a case
        // must not inherit the previous case's values.
        SaisieProcesseur.clear();
        SaisieFreqOrigine = 0;
        SaisieFreqOverclock = 0;
        SaisieCarteMere.clear();
        SaisieTexte.clear();
        FormPrincipale->Processeur = QStringLiteral("NoCPU");
        FormPrincipale->FreqOrigine = -1;
        FormPrincipale->FreqOverclock = -1;
        FormPrincipale->CarteMere = QStringLiteral("NoCarteMere");
        FormPrincipale->ResultatEntier = 52.5f;
        FormPrincipale->ResultatFlottant = 38.5f;
        FormPrincipale->Indice = 42.0f;
        comparer()->setEnabled(false);
        for (const char *name : {"ComboCPU", "ComboFreqOrigine", "ComboFreqOverclock", "ComboCarteMere"}) {
            combo(name)->clear();
            combo(name)->setText(QString());
        }
    }

    void cleanup()
    {
        FormSaisie->setVisible(false);
        QDir::setCurrent(home_);
        dir_.reset();
        QVERIFY2(unexpected_.isEmpty(), qPrintable(QStringLiteral("unexpected dialog ") + unexpected_));
    }

    void controlTable_data() { addControlTableRows(design()); }
    void controlTable() { checkControlTableRow(FormSaisie, design()); }

    void noCloseButtonBoldLabelsAndEditableBoxes()
    {
        QVERIFY(!(FormSaisie->windowFlags() & Qt::WindowCloseButtonHint));
        for (const Control &control : design().controls) {
            QWidget *widget = FormSaisie->findChild<QWidget *>(control.name);
            QVERIFY2(widget, control.name);
            if (auto *label = qobject_cast<QLabel *>(widget)) {
                // Drawn bold, not only asked for: a face that calls itself bold
                // may still have regular strokes.
                QFont regular = label->font();
                regular.setBold(false);
                const int bold = ink(label->font(), label->text());
                QVERIFY2(bold * 4 >= ink(regular, label->text()) * 5,
                         qPrintable(QStringLiteral("%1: %2 dark pixels bold, %3 regular").arg(control.name).arg(bold).arg(ink(regular, label->text()))));
            } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
                QVERIFY(box->isEditable());
            }
        }
    }

    // The lists are made at activation and nothing is held open after it: a
    // starved program needs every descriptor it has.
    void activationCreatesTheListsEmptyAndNeverTruncates()
    {
        const int open = openDescriptors();
        FormSaisie->setVisible(true);
        for (int list = 0; list < 4; ++list)
            QCOMPARE(readAll(file(historyNames[list])), QByteArray());
        QCOMPARE(openDescriptors(), open);
        QCOMPARE(QString::fromStdString(CheminCPU), file("_CPU.TXT"));
        QCOMPARE(QString::fromStdString(CheminCarteMere), file("_CMERE.TXT"));

        QVERIFY(writeFile(file("_FORIG.TXT"), "300\r\n"));
        FormSaisie->setVisible(false);
        FormSaisie->setVisible(true);
        QCOMPARE(openDescriptors(), open);
        QCOMPARE(readAll(file("_FORIG.TXT")), QByteArray("300\r\n"));
    }

    void newEntryButtons_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // the entry state, as the combo box shows it
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("asked"); // caption|prompt|default

        const QString cpu = QStringLiteral("Nouveau processeur|Veuillez entrer votre processeur :|NoCPU");
        const QString origine = QStringLiteral("Nouvelle fréquence d'origine|Veuillez entrer votre fréquence d'origine :|-1");
        const QString overclock = QStringLiteral("Nouvelle fréquence d'overclock|Veuillez entrer votre fréquence d'overclock :|-1");
        const QString carte = QStringLiteral("Nouvelle carte mère|Veuillez entrer votre carte mère :|NoCarteMere");

        QTest::newRow("processor") << 0 << false << "Proc 300" << "Proc 300" << QByteArray("Proc 300\r\n") << cpu;
        QTest::newRow("processor cancelled") << 0 << true << "ignored" << "NoCPU" << QByteArray("NoCPU\r\n") << cpu;
        QTest::newRow("processor empty") << 0 << false << "" << "" << QByteArray("\r\n") << cpu;
        QTest::newRow("processor with %") << 0 << false << "100% %s" << "100% %s" << QByteArray("100% %s\r\n") << cpu;
        QTest::newRow("processor of 10,000 characters, the most")
            << 0 << false << QString(10000, u'p') << QString(10000, u'p') << QByteArray(10000, 'p') + "\r\n" << cpu;
        QTest::newRow("leading zeros") << 1 << false << "0450" << "450" << QByteArray("450\r\n") << origine;
        QTest::newRow("origin cancelled") << 1 << true << "ignored" << "-1" << QByteArray("-1\r\n") << origine;
        QTest::newRow("overclock") << 2 << false << "333" << "333" << QByteArray("333\r\n") << overclock;
        QTest::newRow("overclock cancelled") << 2 << true << "ignored" << "-1" << QByteArray("-1\r\n") << overclock;
        QTest::newRow("board with spaces") << 3 << false << " Carte  A " << " Carte  A " << QByteArray(" Carte  A \r\n") << carte;
        QTest::newRow("board accented") << 3 << false << "Carte mère" << "Carte mère" << QByteArray("Carte m\xe8re\r\n") << carte;
        QTest::newRow("board cancelled") << 3 << true << "ignored" << "NoCarteMere" << QByteArray("NoCarteMere\r\n") << carte;
    }
    void newEntryButtons()
    {
        QFETCH(int, list);
        QFETCH(bool, cancelled);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, stored);
        QFETCH(QString, asked);
        const char *buttons[] = {"ButtonCPU", "ButtonFreqOrigine", "ButtonFreqOverclock", "ButtonCarteMere"};
        const char *combos[] = {"ComboCPU", "ComboFreqOrigine", "ComboFreqOverclock", "ComboCarteMere"};

        FormSaisie->setVisible(true);
        QVERIFY(writeFile(file(historyNames[list]), "old\r\n"));
        bool seen = false;
        QString question;
        if (cancelled)
            cancel(&seen, &question);
        else
            answer(typed, &seen, &question);
        QTest::mouseClick(button(buttons[list]), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(question, asked);

        const QString states[] = {SaisieProcesseur, QString::number(SaisieFreqOrigine),
                                  QString::number(SaisieFreqOverclock), SaisieCarteMere};
        QCOMPARE(states[list], shown);
        QCOMPARE(combo(combos[list])->text(), shown);
        QCOMPARE(readAll(file(historyNames[list])), "old\r\n" + stored);
    }

    void aNonNumberChangesNothing()
    {
        FormSaisie->setVisible(true);
        QVERIFY(giveAll("P", "300", "333", "A"));
        const QByteArray history = readAll(file("_FORIG.TXT"));

        bool asked = false, told = false;
        QString message;
        answer(QStringLiteral("3OO"), &asked, nullptr, [&] { acknowledge(&told, &message); });
        QTest::mouseClick(button("ButtonFreqOrigine"), Qt::LeftButton);
        QVERIFY(asked);
        QVERIFY(told);
        QVERIFY2(message.contains(QStringLiteral("3OO")), qPrintable(message));
        QCOMPARE(SaisieFreqOrigine, 300);
        QCOMPARE(SaisieTexte, QStringLiteral("3OO"));
        QCOMPARE(combo("ComboFreqOrigine")->text(), QStringLiteral("300"));
        QCOMPARE(readAll(file("_FORIG.TXT")), history);
    }

    void aTextTheFilesCannotHoldIsRefused()
    {
        FormSaisie->setVisible(true);
        bool asked = false, told = false;
        QString message;
        answer(QString::fromUtf8("Ωmega"), &asked, nullptr, [&] { acknowledge(&told, &message); });
        QTest::mouseClick(button("ButtonCPU"), Qt::LeftButton);
        QVERIFY(told);
        QVERIFY2(message.contains(QString::fromUtf8("Ω")), qPrintable(message));
        QCOMPARE(SaisieProcesseur, QString());
        QCOMPARE(combo("ComboCPU")->text(), QString());
        QCOMPARE(readAll(file("_CPU.TXT")), QByteArray());
    }

    void aCharacterTheFilesCannotHoldNeverStaysInTheBox()
    {
        FormSaisie->setVisible(true);
        TComboBox *box = combo("ComboCPU");
        QTest::keyClicks(box->lineEdit(), QStringLiteral("AB"));
        bool told = false;
        QString message;
        acknowledge(&told, &message);
        QInputMethodEvent typed; // as an input method gives it
        typed.setCommitString(QString::fromUtf8("中"));
        QApplication::sendEvent(box->lineEdit(), &typed);
        QVERIFY2(told && message.contains(QString::fromUtf8("« 中 »")), qPrintable(message));
        QTest::keyClicks(box->lineEdit(), QStringLiteral("C"));
        QCOMPARE(box->text(), QStringLiteral("ABC"));
        QCOMPARE(SaisieProcesseur, QStringLiteral("ABC"));
    }

    // A text longer than a description may be is refused with a message as the
    // user gives it, whether pasted (measured before the field takes it) or
    // typed; the field keeps its text.
    void anOverlongTextIsRefusedAtOnce_data()
    {
        QTest::addColumn<bool>("inInputBox");
        QTest::addColumn<bool>("pasted");
        QTest::newRow("a million characters pasted into the input box") << true << true;
        QTest::newRow("a million characters pasted into a combo box") << false << true;
        QTest::newRow("one character too many typed into the input box") << true << false;
        QTest::newRow("one character too many typed into a combo box") << false << false;
    }
    void anOverlongTextIsRefusedAtOnce()
    {
        QFETCH(bool, inInputBox);
        QFETCH(bool, pasted);
        const QString kept = pasted ? QStringLiteral("Kept") : QString(10000, u'k');
        QApplication::clipboard()->setText(QString(1000000, u'p'));
        bool told = false;
        QString message, left;
        auto give = [&](QLineEdit *edit) {
            edit->setText(kept);
            edit->setFocus();
            acknowledge(&told, &message);
            if (pasted)
                QTest::keySequence(edit, QKeySequence::Paste);
            else
                QTest::keyClick(edit, Qt::Key_P);
            left = edit->text();
        };

        FormSaisie->setVisible(true);
        if (inInputBox) {
            bool seen = false;
            onNextModal([&](QDialog *dialog) {
                give(dialog->findChild<QLineEdit *>());
                dialog->accept();
            }, &seen);
            QTest::mouseClick(button("ButtonCarteMere"), Qt::LeftButton);
            QVERIFY(seen);
            QCOMPARE(SaisieCarteMere, kept);
        } else {
            give(combo("ComboCarteMere")->lineEdit());
            QCOMPARE(combo("ComboCarteMere")->text(), kept);
        }
        QVERIFY(told);
        QVERIFY2(message.contains(QStringLiteral("10")) && message.contains(QStringLiteral("000")),
                 qPrintable(message));
        QCOMPARE(left.size(), kept.size());
    }

    void typingIntoAFrequencyTakesEachWholeText()
    {
        FormSaisie->setVisible(true);
        TComboBox *box = combo("ComboFreqOrigine");
        box->setText(QStringLiteral("300")); // from code: no change
        QCOMPARE(SaisieFreqOrigine, 0);
        SaisieFreqOrigine = 300;
        box->lineEdit()->setFocus();
        box->lineEdit()->end(false);

        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(SaisieFreqOrigine, 30);
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(SaisieFreqOrigine, 3);
        bool told = false;
        QString message;
        acknowledge(&told, &message);
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QVERIFY(told);
        QCOMPARE(SaisieFreqOrigine, 3);

        QTest::keyClicks(box->lineEdit(), QStringLiteral("42"));
        QCOMPARE(SaisieFreqOrigine, 42);
        QTest::keyClicks(combo("ComboCPU")->lineEdit(), QStringLiteral("K6"));
        QCOMPARE(SaisieProcesseur, QStringLiteral("K6"));
    }

    void theDropDownLoadsTheHistorySortedAsText()
    {
        FormSaisie->setVisible(true);
        QVERIFY(writeFile(file("_FORIG.TXT"), "1000\r\n233\r\n-1\r\n100\r\n233\r\n"));
        TComboBox *box = combo("ComboFreqOrigine");
        box->setText(QStringLiteral("777"));
        SaisieFreqOrigine = 777;

        box->showPopup();
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{"-1", "100", "1000", "233", "233"}));
        QCOMPARE(box->text(), QStringLiteral("777")); // replacing the items is no change
        QCOMPARE(SaisieFreqOrigine, 777);

        // Picking an item is a change by the user.
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        const QRect item = view->visualRect(view->model()->index(2, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(box->text(), QStringLiteral("1000"));
        QCOMPARE(SaisieFreqOrigine, 1000);

        // Read again at every drop-down.
        QVERIFY(writeFile(file("_FORIG.TXT"), "5\r\n"));
        box->showPopup();
        QCOMPARE(box->count(), 1);
        box->hidePopup();
        QCOMPARE(box->text(), QStringLiteral("1000"));
    }

    void anEntryTooLongToEditIsShownShortenedAndCannotBePicked()
    {
        FormSaisie->setVisible(true);
        QVERIFY(writeFile(file("_CPU.TXT"), QByteArray(2 << 20, 'x') + "\r\nP\r\n"));
        TComboBox *box = combo("ComboCPU");
        box->setText(QStringLiteral("kept"));
        box->showPopup();
        box->hidePopup();
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->text(), QStringLiteral("kept"));
        const QModelIndex huge = box->model()->index(1, 0);
        const QString shown = huge.data(Qt::DisplayRole).toString();
        QVERIFY(shown.size() > 100 && shown.size() < 10000);
        QVERIFY(shown.startsWith(QStringLiteral("xxx")) && shown.endsWith(QChar(0x2026)));
        QVERIFY(!(box->model()->flags(huge) & Qt::ItemIsEnabled));
        QVERIFY(box->model()->flags(box->model()->index(0, 0)) & Qt::ItemIsEnabled);
    }

    void aListThatCannotBeLoadedKeepsItsItems()
    {
        FormSaisie->setVisible(true);
        QVERIFY(writeFile(file("_CPU.TXT"), "P\r\n"));
        TComboBox *box = combo("ComboCPU");
        box->showPopup();
        box->hidePopup();
        QVERIFY(QFile::remove(file("_CPU.TXT")));
        bool told = false;
        QString message;
        acknowledge(&told, &message);
        box->showPopup();
        box->hidePopup();
        QVERIFY(told);
        QVERIFY2(message.contains(file("_CPU.TXT")), qPrintable(message));
        QCOMPARE(box->count(), 1);
    }

    void okChecksInOrder_data()
    {
        QTest::addColumn<QString>("cpu");
        QTest::addColumn<int>("origine");
        QTest::addColumn<int>("overclock");
        QTest::addColumn<QString>("carte");
        QTest::addColumn<int>("copied"); // how many values reach the record

        QTest::newRow("nothing given") << "" << 0 << 0 << "" << 0;
        QTest::newRow("processor NoCPU") << "NoCPU" << 300 << 333 << "A" << 0;
        QTest::newRow("origin 0") << "P" << 0 << 333 << "A" << 1;
        QTest::newRow("origin -1") << "P" << -1 << 333 << "A" << 1;
        QTest::newRow("overclock 0") << "P" << 300 << 0 << "A" << 2;
        QTest::newRow("board empty") << "P" << 300 << 333 << "" << 3;
        QTest::newRow("board NoCarteMere") << "P" << 300 << 333 << "NoCarteMere" << 3;
        QTest::newRow("other letter case") << "nocpu" << 300 << 200 << "nocartemere" << 4;
        QTest::newRow("one space") << " " << 1 << 1 << " " << 4;
    }
    void okChecksInOrder()
    {
        QFETCH(QString, cpu);
        QFETCH(int, origine);
        QFETCH(int, overclock);
        QFETCH(QString, carte);
        QFETCH(int, copied);

        FormSaisie->setVisible(true);
        SaisieProcesseur = cpu;
        SaisieFreqOrigine = origine;
        SaisieFreqOverclock = overclock;
        SaisieCarteMere = carte;
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);

        QCOMPARE(FormPrincipale->Processeur, copied >= 1 ? cpu : QStringLiteral("NoCPU"));
        QCOMPARE(FormPrincipale->FreqOrigine, copied >= 2 ? origine : -1);
        QCOMPARE(FormPrincipale->FreqOverclock, copied >= 3 ? overclock : -1);
        QCOMPARE(FormPrincipale->CarteMere, copied >= 4 ? carte : QStringLiteral("NoCarteMere"));
        const bool accepted = copied == 4;
        QCOMPARE(QFile::exists(file("TARVODAT.TXT")), accepted);
        QCOMPARE(FormSaisie->isVisible(), !accepted);
        QCOMPARE(comparer()->isEnabled(), accepted);
    }

    void endToEndInALongWorkingDirectory()
    {
        // Deeper than the system takes in one path: the folders are made and
        // entered one at a time, and the files read relative to the last one.
        const auto removeAll = qScopeGuard([this] {
            QDir::setCurrent(home_);
            QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), dir_->path()});
        });
        const QByteArray folder(200, 'w');
        for (int depth = 0; depth < 25; ++depth)
            QVERIFY(::mkdir(folder, 0700) == 0 && ::chdir(folder) == 0);

        FormSaisie->setVisible(true);
        QVERIFY(giveAll("Proc 300", "300", "333", "Carte A"));
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);

        QVERIFY(CheminDonnees.size() > PATH_MAX);
        const QByteArray line("       42.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]\r\n");
        QCOMPARE(readAll("TARVODAT.TXT"), line);
        QVERIFY(comparer()->isEnabled());
        QVERIFY(!FormSaisie->isVisible());
        QCOMPARE(readAll("_CPU.TXT"), QByteArray("Proc 300\r\n"));

        // The next test shows the window with the same values: "OK" alone appends.
        FormPrincipale->Indice = 1e9f;
        FormSaisie->setVisible(true);
        QCOMPARE(combo("ComboCarteMere")->text(), QStringLiteral("Carte A"));
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);
        QCOMPARE(readAll("TARVODAT.TXT"),
                 line + "1000000000.00       38.50       52.50            Proc 300 300 \xe0 333     [CM Carte A]\r\n");
    }

    // A pipe is refused at once, never waited on; once it is gone, "OK" again
    // stores the line once.
    void aFailedResultsAppendKeepsTheWindowOpen()
    {
        FormSaisie->setVisible(true);
        QVERIFY(giveAll("P", "300", "333", "A"));
        QCOMPARE(::mkfifo("TARVODAT.TXT", 0600), 0);

        bool told = false;
        QString message;
        acknowledge(&told, &message);
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);
        QVERIFY(told);
        QVERIFY2(message.contains(file("TARVODAT.TXT")), qPrintable(message));
        QVERIFY2(message.contains(tarvo::SystemReason(tarvo::NotARegularFile)), qPrintable(message));
        QVERIFY(FormSaisie->isVisible());
        QVERIFY(!comparer()->isEnabled());
        QCOMPARE(SaisieProcesseur, QStringLiteral("P"));
        QCOMPARE(combo("ComboFreqOverclock")->text(), QStringLiteral("333"));

        QVERIFY(QFile::remove(file("TARVODAT.TXT")));
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);
        QCOMPARE(readAll(file("TARVODAT.TXT")),
                 "       42.00       38.50       52.50            P 300 \xe0 333     [CM A]\r\n");
        QVERIFY(comparer()->isEnabled());
        QVERIFY(!FormSaisie->isVisible());
    }

    // A device stands for storage no more than a pipe: activation leaves its slot
    // empty without waiting, and an entry for it is refused with the reason.
    void aFailedHistoryAppendIsReported()
    {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), file("_FORIG.TXT")));
        FormSaisie->setVisible(true);
        QVERIFY(QFile::exists(file("_CPU.TXT")) && QFile::exists(file("_CMERE.TXT")));
        bool asked = false, told = false;
        QString message;
        answer(QStringLiteral("300"), &asked, nullptr, [&] { acknowledge(&told, &message); });
        QTest::mouseClick(button("ButtonFreqOrigine"), Qt::LeftButton);
        QVERIFY(told);
        QVERIFY2(message.contains(file("_FORIG.TXT")), qPrintable(message));
        QCOMPARE(SaisieFreqOrigine, 300);
        QCOMPARE(combo("ComboFreqOrigine")->text(), QStringLiteral("300"));
    }

    void aDeletedWorkingDirectoryWritesNothing()
    {
        const QString gone = dir_->filePath("gone");
        QVERIFY(QDir().mkdir(gone));
        QVERIFY(QDir::setCurrent(gone));
        FormSaisie->setVisible(true);
        QVERIFY(giveAll("P", "300", "333", "A"));
        QVERIFY(QDir(gone).removeRecursively());

        bool told = false;
        QString message;
        acknowledge(&told, &message);
        QTest::mouseClick(button("ButtonOK"), Qt::LeftButton);
        QVERIFY(told);
        QVERIFY2(message.contains(QStringLiteral("« TARVODAT.TXT »")), qPrintable(message));
        QVERIFY(FormSaisie->isVisible());
        QVERIFY(!comparer()->isEnabled());
        QVERIFY(!QFile::exists(gone));
    }
};

QTEST_MAIN(TestSaisie)
#include "tst_saisie.moc"
