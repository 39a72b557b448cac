// Start-up, the machine record and the main window.
#include "FormsFixture.h"

#include "ui_UnitPrincipale.h"

#include <QLabel>
#include <QPushButton>

class TestPrincipale : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        createAllForms();
        FormPrincipale->setVisible(true);
    }

    void onlyTheMainWindowIsShown()
    {
        QVERIFY(FormPrincipale->isVisible());
        QCOMPARE(tarvo::TApplication::MainForm(), FormPrincipale);
        const QList<QWidget *> others{FormTest, FormSaisie, FormConsulter, FormDetails, FormComparer};
        for (QWidget *form : others) {
            QVERIFY(form);
            QVERIFY2(!form->isVisible(), qPrintable(form->objectName()));
        }
    }

    void recordStartsAtItsDefaults()
    {
        QCOMPARE(FormPrincipale->Processeur, QStringLiteral("NoCPU"));
        QCOMPARE(FormPrincipale->FreqOrigine, -1);
        QCOMPARE(FormPrincipale->FreqOverclock, -1);
        QCOMPARE(FormPrincipale->CarteMere, QStringLiteral("NoCarteMere"));
        QCOMPARE(FormPrincipale->ResultatEntier, -1.0f);
        QCOMPARE(FormPrincipale->ResultatFlottant, -1.0f);
        QCOMPARE(FormPrincipale->Indice, -1.0f);
    }

    void windowMatchesItsDesign()
    {
        QCOMPARE(FormPrincipale->metaObject()->className(), "TFormPrincipale");
        QCOMPARE(FormPrincipale->windowTitle(), QStringLiteral("CPU Tarvo 32"));
        QCOMPARE(FormPrincipale->size(), QSize(393, 319));
        QVERIFY(!(FormPrincipale->windowFlags() & Qt::WindowCloseButtonHint));

        struct Control {
            const char *name;
            QRect geometry;
            const char *text;
        };
        const Control controls[] = {
            {"StaticText1", {16, 16, 361, 41}, "CPU Tarvo 32 V1.0"},
            {"StaticText2", {16, 88, 273, 33},
             "Vous devez d'abord soumettre votre  machine aux différents calculs qui constituent le Duduzovur."},
            {"ButtonTester", {304, 89, 75, 25}, "Tester"},
            {"StaticText3", {16, 136, 273, 33},
             "Pour ensuite comparer les résultats obtenus avec toutes les configurations déjà testées."},
            {"ButtonComparer", {304, 137, 75, 25}, "Comparer"},
            {"StaticText4", {16, 184, 273, 33}, "Ou vous pouvez simplement consulter les données déjà acquises."},
            {"ButtonConsulter", {304, 185, 75, 25}, "Consulter"},
            {"Bevel1", {8, 230, 377, 11}, nullptr},
            {"StaticText5", {16, 264, 273, 33},
             "Vous pouvez également nous quitter, mais êtes vous réellement sûr de le vouloir ?"},
            {"ButtonQuitter", {304, 265, 75, 25}, "Quitter"},
        };
        for (const Control &c : controls) {
            auto *widget = FormPrincipale->findChild<QWidget *>(c.name);
            QVERIFY2(widget, c.name);
            QCOMPARE(widget->geometry(), c.geometry);
            if (auto *label = qobject_cast<QLabel *>(widget))
                QCOMPARE(label->text(), QString::fromUtf8(c.text));
            if (auto *button = qobject_cast<QPushButton *>(widget))
                QCOMPARE(button->text(), QString::fromUtf8(c.text));
        }

        // Tab order: Tester, Comparer, Consulter, Quitter.
        const auto *ui = FormPrincipale->ui.get();
        const auto nextTabStop = [](QWidget *widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        QCOMPARE(nextTabStop(ui->ButtonTester), ui->ButtonComparer);
        QCOMPARE(nextTabStop(ui->ButtonComparer), ui->ButtonConsulter);
        QCOMPARE(nextTabStop(ui->ButtonConsulter), ui->ButtonQuitter);

        // The title: lime on teal, in large bold Tahoma.
        const QImage title = ui->StaticText1->grab().toImage();
        QCOMPARE(title.pixelColor(4, 4), QColor(0, 128, 128));
        const QFontInfo titleFont(ui->StaticText1->font());
        QCOMPARE(titleFont.family(), QStringLiteral("Tahoma"));
        QVERIFY(titleFont.bold());
        QCOMPARE(titleFont.pixelSize(), 32);
        QCOMPARE(QFontInfo(ui->StaticText2->font()).family(), QStringLiteral("MS Sans Serif"));
    }

    void comparerStartsDisabled()
    {
        QVERIFY(!FormPrincipale->ui->ButtonComparer->isEnabled());
        QTest::mouseClick(FormPrincipale->ui->ButtonComparer, Qt::LeftButton);
        QVERIFY(!FormComparer->isVisible());
    }

    void closeRequestsAreRefused()
    {
        QVERIFY(!FormPrincipale->close());
        QVERIFY(FormPrincipale->isVisible());
    }

    // Last: it ends the application's loop.
    void quitterEndsTheApplicationWhateverIsOpen()
    {
        FormDetails->setVisible(true);
        QTimer::singleShot(0, [] { QTest::mouseClick(FormPrincipale->ui->ButtonQuitter, Qt::LeftButton); });
        // A loop that never ends would fail the test by its timeout.
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!FormPrincipale->isVisible());
    }

    void cleanupTestCase()
    {
        tarvo::TApplication::DestroyForms();
    }
};

QTEST_MAIN(TestPrincipale)
#include "tst_principale.moc"
