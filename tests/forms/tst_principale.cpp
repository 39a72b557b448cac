// Start-up, the machine record and the main window.
#include "ControlTable.h"
#include "FormsFixture.h"

#include "ui_UnitPrincipale.h"

#include <QLabel>
#include <QPushButton>

namespace {

FormDesign design()
{
    return {"CPU Tarvo 32", {393, 319},
            {{"StaticText1", "QLabel", {16, 16, 361, 41}, "CPU Tarvo 32 V1.0"},
             {"StaticText2", "QLabel", {16, 88, 273, 33},
              "Vous devez d'abord soumettre votre  machine aux différents calculs qui constituent le Duduzovur."},
             {"ButtonTester", "QPushButton", {304, 89, 75, 25}, "Tester"},
             {"StaticText3", "QLabel", {16, 136, 273, 33},
              "Pour ensuite comparer les résultats obtenus avec toutes les configurations déjà testées."},
             {"ButtonComparer", "QPushButton", {304, 137, 75, 25}, "Comparer"},
             {"StaticText4", "QLabel", {16, 184, 273, 33},
              "Ou vous pouvez simplement consulter les données déjà acquises."},
             {"ButtonConsulter", "QPushButton", {304, 185, 75, 25}, "Consulter"},
             {"Bevel1", "tarvo::TBevel", {8, 230, 377, 11}},
             {"StaticText5", "QLabel", {16, 264, 273, 33},
              "Vous pouvez également nous quitter, mais êtes vous réellement sûr de le vouloir ?"},
             {"ButtonQuitter", "QPushButton", {304, 265, 75, 25}, "Quitter"}},
            {"ButtonTester", "ButtonComparer", "ButtonConsulter", "ButtonQuitter"}};
}

} // namespace

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

    void controlTable_data() { addControlTableRows(design()); }
    void controlTable() { checkControlTableRow(FormPrincipale, design()); }

    void frameTitleAndFontsAsDesigned()
    {
        QCOMPARE(FormPrincipale->metaObject()->className(), "TFormPrincipale");
        QVERIFY(!(FormPrincipale->windowFlags() & Qt::WindowCloseButtonHint));

        const auto *ui = FormPrincipale->ui.get();
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
