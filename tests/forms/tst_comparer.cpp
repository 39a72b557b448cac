#include "ControlTable.h"
#include "FormsFixture.h"
#include "ViewingHelpers.h"

#include "framework/ListBox.h"

#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>

using tarvo::TApplication;
using tarvo::TListBox;

namespace {

QString label(const char *name)
{
    auto *control = FormComparer->findChild<QLabel *>(QString::fromLatin1(name));
    return control ? control->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

TListBox *list()
{
    return FormComparer->findChild<TListBox *>(QStringLiteral("ListDonnees"));
}

void setRecord(float indice, float flottant, float entier, const QString &processeur, int origine, int overclock,
               const QString &carteMere)
{
    FormPrincipale->Indice = indice;
    FormPrincipale->ResultatFlottant = flottant;
    FormPrincipale->ResultatEntier = entier;
    FormPrincipale->Processeur = processeur;
    FormPrincipale->FreqOrigine = origine;
    FormPrincipale->FreqOverclock = overclock;
    FormPrincipale->CarteMere = carteMere;
}

FormDesign comparerDesign()
{
    const int left = Qt::AlignLeft, right = Qt::AlignRight;
    return {"Comparaison", {559, 312},
            {{"ListDonnees", "tarvo::TListBox", {16, 112, 529, 185}},
             {"StaticText1", "QLabel", {16, 16, 427, 43},
              "Voici les résultats obtenus par votre machine et TOUS ceux stockés depuis la création de cette "
              "application. Pour plus de détails sur la correspondance des colonnes, cliquez sur \"Détails\".",
              left},
             {"ButtonDetails", "QPushButton", {472, 16, 75, 25}, "Détails"},
             {"StaticText2", "QLabel", {16, 64, 529, 17}, columnHeaderText, left},
             // The numbers end at pixels 69, 117 and 165, under the ends of the headings.
             {"LabelIndice", "QLabel", {24, 88, 45, 17}, "", right},
             {"LabelFlottant", "QLabel", {78, 88, 39, 17}, "", right},
             {"LabelEntier", "QLabel", {126, 88, 39, 17}, "", right},
             {"LabelConfig", "QLabel", {200, 88, 345, 17}, "", left}},
            {"ListDonnees", "ButtonDetails"}};
}

FormDesign detailsDesign()
{
    return {"Détails du tableau", {430, 287},
            {{"StaticText1", "QLabel", {13, 13, 404, 36},
              "La 1ère colonne correspond à l'indice général obtenu par la machine. Il est calculé en fonction "
              "des 2ème et 3ème colonnes, mais voyons d'abord ces 2 colonnes."},
             {"StaticText2", "QLabel", {13, 61, 404, 36},
              "La 2ème colonne correspond au millions de calculs effectués en 1 seconde (MCPS) sur des variables "
              "flottantes (calculs 3D en majorité)."},
             {"StaticText3", "QLabel", {13, 109, 404, 20}, "La 3ème colonne concerne les opérations sur les entiers."},
             {"StaticText4", "QLabel", {13, 141, 404, 36},
              "L'indice est obtenu comme suit : (3 x résultat flottant + 1 x résultat entier) / 4. Comme "
              "aujourd'hui la 3D est présente partout, je pense que la répartition est équitable."},
             {"ButtonOK", "QPushButton", {176, 248, 75, 25}, "OK"},
             {"Bevel1", "tarvo::TBevel", {8, 220, 417, 13}},
             {"StaticText5", "QLabel", {13, 191, 404, 26},
              "Quand à la 4ème colonne, il s'agit de la configuration testée bien évidemment ..."}},
            {"ButtonOK"}};
}

} // namespace

class TestComparer : public QObject {
    Q_OBJECT

    ViewingStage stage_;

private slots:
    void initTestCase()
    {
        stage_.setUp();
    }

    void init()
    {
        stage_.reset({FormDetails, FormComparer, FormConsulter});
        QLocale::setDefault(QLocale::c());
        writeFile(QStringLiteral("TARVODAT.TXT"), resultLine(42, 38.5, 52.5, "stored") + "\r\n");
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(stage_.startDir);
        QLocale::setDefault(QLocale::system());
        TApplication::DestroyForms();
    }

    // Before the first activation the row of the machine's result is empty.
    void controlTable_data() { addControlTableRows(comparerDesign()); }
    void controlTable() { checkControlTableRow(FormComparer, comparerDesign()); }

    void rowOfTheMachineRecord_data()
    {
        QTest::addColumn<float>("indice");
        QTest::addColumn<float>("flottant");
        QTest::addColumn<float>("entier");
        QTest::addColumn<QString>("processeur");
        QTest::addColumn<int>("origine");
        QTest::addColumn<int>("overclock");
        QTest::addColumn<QString>("carteMere");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("record defaults")
            << -1.0f << -1.0f << -1.0f << "NoCPU" << -1 << -1 << "NoCarteMere" << "C"
            << QStringList{"-1.00", "-1.00", "-1.00", QString::fromUtf8("NoCPU -1 à -1     [CM NoCarteMere]")};
        QTest::newRow("zero, a half, rounding up to 100")
            << 0.0f << 0.125f << 99.999f << "P" << 300 << 450 << "M" << "C"
            << QStringList{".00", ".13", "100.00", QString::fromUtf8("P 300 à 450     [CM M]")};
        QTest::newRow("five-digit integer parts")
            << 12345.67f << 10000.0f << 123.456f << "P" << 300 << 450 << "M" << "C"
            << QStringList{"12345.67", "10000.00", "123.46", QString::fromUtf8("P 300 à 450     [CM M]")};
        QTest::newRow("regional separator")
            << 42.0f << 38.5f << -1.0f << "P" << 300 << 450 << "M" << "fr_FR"
            << QStringList{"42,00", "38,50", "-1,00", QString::fromUtf8("P 300 à 450     [CM M]")};
        // Typed text is shown as typed: no access key, no markup.
        QTest::newRow("ampersand and markup")
            << 1.0f << 1.0f << 1.0f << "AMD & <b>K6</b>" << 300 << 450 << "M&M" << "C"
            << QStringList{"1.00", "1.00", "1.00", QString::fromUtf8("AMD & <b>K6</b> 300 à 450     [CM M&M]")};
    }
    void rowOfTheMachineRecord()
    {
        QFETCH(float, indice);
        QFETCH(float, flottant);
        QFETCH(float, entier);
        QFETCH(QString, processeur);
        QFETCH(int, origine);
        QFETCH(int, overclock);
        QFETCH(QString, carteMere);
        QFETCH(QString, locale);
        QFETCH(QStringList, row);
        QLocale::setDefault(QLocale(locale));
        setRecord(indice, flottant, entier, processeur, origine, overclock, carteMere);
        FormComparer->setVisible(true);
        QCOMPARE((QStringList{label("LabelIndice"), label("LabelFlottant"), label("LabelEntier"),
                              label("LabelConfig")}),
                 row);
    }

    void recordAndFileReadAtEachActivation()
    {
        setRecord(42, 38.5, 52.5, "P", 300, 450, "M");
        FormComparer->setVisible(true);
        QTRY_VERIFY(FormComparer->isActiveWindow());
        QCOMPARE(list()->count(), 1);

        // A new result and line while the window is shown change nothing yet.
        setRecord(75.5, 80, 62, "Q", 300, 450, "M");
        appendLine(resultLine(75.5, 80, 62, "Q 300 \xe0 450     [CM M]"));
        QTest::mouseClick(FormComparer->findChild<QPushButton *>(QStringLiteral("ButtonDetails")), Qt::LeftButton);
        QTRY_VERIFY(FormDetails->isActiveWindow());
        QCOMPARE(label("LabelIndice"), QStringLiteral("42.00"));
        QCOMPARE(list()->count(), 1);

        // Coming back from the column explanation recomputes both.
        QTest::mouseClick(FormDetails->findChild<QPushButton *>(QStringLiteral("ButtonOK")), Qt::LeftButton);
        comeBackTo(FormComparer);
        QTRY_COMPARE(list()->count(), 2);
        QCOMPARE(label("LabelIndice"), QStringLiteral("75.50"));
        QCOMPARE(label("LabelConfig"), QString::fromUtf8("Q 300 à 450     [CM M]"));
        // The row and the line it was recorded as say the same.
        QVERIFY(list()->item(1).endsWith(label("LabelConfig")));
    }

    void missingFileStillShowsTheRowAndKeepsTheList()
    {
        FormComparer->setVisible(true);
        QCOMPARE(list()->count(), 1);
        FormComparer->setVisible(false);
        comeBackTo(&stage_.elsewhere);
        QVERIFY(QFile::remove(QStringLiteral("TARVODAT.TXT")));

        setRecord(250, 300, 100, "P", 300, 450, "M");
        MessageBoxes boxes;
        FormComparer->setVisible(true);
        QTest::qWait(100);
        QCOMPARE(boxes.count, 1);
        QVERIFY2(boxes.text.contains(QStringLiteral("TARVODAT.TXT")), qPrintable(boxes.text));
        QCOMPARE(label("LabelIndice"), QStringLiteral("250.00"));
        QCOMPARE(list()->count(), 1);
    }

    void pathFollowsTheWorkingDirectory()
    {
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath(QStringLiteral("TARVODAT.TXT")),
                  resultLine(1, 1, 1, "first") + "\r\n" + resultLine(2, 2, 2, "second") + "\r\n");
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        FormComparer->setVisible(true);
        FormConsulter->setVisible(true);
        QCOMPARE(list()->count(), 2);
        // The stored results window keeps the directory it was created in.
        QCOMPARE(FormConsulter->findChild<TListBox *>(QStringLiteral("ListDonnees"))->count(), 1);
        QDir::setCurrent(stage_.startDir);
    }

    void bothWindowsHoldTheResultsFileOnceAndShowItAsAtTheirActivation()
    {
        FormConsulter->setVisible(true);
        appendLine(resultLine(75.5, 80, 62, "Q"));
        FormComparer->setVisible(true);
        auto *consulter = FormConsulter->findChild<TListBox *>(QStringLiteral("ListDonnees"));
        const auto lines = [](TListBox *list) { return qobject_cast<tarvo::SortedLinesModel *>(list->model())->lines(); };
        QVERIFY(lines(list()).sharesBytesWith(lines(consulter)));
        QCOMPARE(list()->count(), 2);
        QCOMPARE(consulter->count(), 1);
        comeBackTo(FormConsulter);
        QTRY_COMPARE(consulter->count(), 2);
        QCOMPARE(consulter->item(0), list()->item(0));
    }

    void detailsControlTable_data() { addControlTableRows(detailsDesign()); }
    void detailsControlTable()
    {
        checkControlTableRow(FormDetails, detailsDesign());
        if (auto *shown = qobject_cast<QLabel *>(FormDetails->findChild<QWidget *>(QTest::currentDataTag())))
            QVERIFY(shown->wordWrap());
    }

    void oneExplanationWindowForBothDetailsButtons()
    {
        FormConsulter->setVisible(true);
        QTest::mouseClick(FormConsulter->findChild<QPushButton *>(QStringLiteral("ButtonDetails")), Qt::LeftButton);
        FormComparer->setVisible(true);
        QTest::mouseClick(FormComparer->findChild<QPushButton *>(QStringLiteral("ButtonDetails")), Qt::LeftButton);

        int shown = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            shown += window->isVisible() && window->windowTitle() == QString::fromUtf8("Détails du tableau");
        QCOMPARE(shown, 1);
        QVERIFY(FormDetails->isVisible());
        QVERIFY(FormConsulter->isVisible());
        QVERIFY(FormComparer->isVisible());

        QTest::mouseClick(FormDetails->findChild<QPushButton *>(QStringLiteral("ButtonOK")), Qt::LeftButton);
        QVERIFY(!FormDetails->isVisible());
        QVERIFY(FormConsulter->isVisible());
        QVERIFY(FormComparer->isVisible());
    }
};

QTEST_MAIN(TestComparer)
#include "tst_comparer.moc"
