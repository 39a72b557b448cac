#include "ControlTable.h"
#include "FormsFixture.h"
#include "ViewingHelpers.h"

#include "framework/ListBox.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using tarvo::TApplication;
using tarvo::TListBox;

namespace {

FormDesign design()
{
    return {"Données stockées", {561, 307},
            {{"ListDonnees", "tarvo::TListBox", {16, 80, 529, 209}},
             {"StaticText1", "QLabel", {14, 14, 427, 35},
              "Voici TOUS les résultats obtenus depuis la création de cette application. Pour plus de détails "
              "sur la correspondance des colonnes, cliquez sur \"Détails\"."},
             {"ButtonDetails", "QPushButton", {467, 12, 75, 25}, "Détails"},
             {"StaticText2", "QLabel", {16, 55, 529, 17}, columnHeaderText}},
            {"ListDonnees", "ButtonDetails"}};
}

} // namespace

class TestConsulter : public QObject {
    Q_OBJECT

    TListBox *list() const { return FormConsulter->findChild<TListBox *>(QStringLiteral("ListDonnees")); }

    QStringList items() const
    {
        QStringList lines;
        for (int row = 0; row < list()->count(); ++row)
            lines.append(list()->item(row));
        return lines;
    }

    ViewingStage stage_;

private slots:
    void initTestCase()
    {
        stage_.setUp();
    }

    void init()
    {
        // Every case starts with the windows hidden, so that showing one activates
        // it, and without a results file in the start-up directory.
        stage_.reset({FormDetails, FormConsulter, FormPrincipale});
        // An empty file empties the list left by the previous case.
        writeFile(QStringLiteral("TARVODAT.TXT"), QByteArray());
        FormConsulter->setVisible(true);
        FormConsulter->setVisible(false);
        comeBackTo(&stage_.elsewhere);
        QCOMPARE(list()->count(), 0);
        QFile::remove(QStringLiteral("TARVODAT.TXT"));
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(stage_.startDir);
        TApplication::DestroyForms();
    }

    void controlTable_data() { addControlTableRows(design()); }
    void controlTable() { checkControlTableRow(FormConsulter, design()); }

    void listIsSingleSelectionWithRowsOf13Pixels()
    {
        writeFile(QStringLiteral("TARVODAT.TXT"), "a\r\nb\r\n");
        FormConsulter->setVisible(true);
        QCOMPARE(list()->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list()->visualRect(list()->model()->index(1, 0)).height(), 13);
    }

    void missingFileShowsTheMessageOnceAndAnEmptyList()
    {
        MessageBoxes boxes;
        FormConsulter->setVisible(true);
        QTest::qWait(100); // time for a second message, were there one
        QCOMPARE(boxes.count, 1);
        QVERIFY2(boxes.text.contains(QStringLiteral("TARVODAT.TXT")), qPrintable(boxes.text));
        QVERIFY(FormConsulter->isVisible());
        QCOMPARE(list()->count(), 0);
    }

    void missingFileKeepsTheItemsShownBefore()
    {
        appendLine(resultLine(250, 300, 100, "A"));
        FormConsulter->setVisible(true);
        QCOMPARE(list()->count(), 1);
        FormConsulter->setVisible(false);
        QVERIFY(QFile::remove(QStringLiteral("TARVODAT.TXT")));

        MessageBoxes boxes;
        FormConsulter->setVisible(true);
        QCOMPARE(boxes.count, 1);
        QCOMPARE(items(), QStringList{QString::fromLatin1(resultLine(250, 300, 100, "A"))});
    }

    void listsLinesInAscendingIndexOrder()
    {
        appendLine(resultLine(250.00, 300.00, 100.00, "B 300 \xe0 450     [CM M]"));
        appendLine(resultLine(75.50, 80.00, 62.00, "A 300 \xe0 450     [CM M]"));
        appendLine(resultLine(1200.00, 1400.00, 600.00, "C 300 \xe0 450     [CM M]"));
        FormConsulter->setVisible(true);
        const QStringList shown = items();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[0].startsWith(QStringLiteral("       75.50")), qPrintable(shown[0]));
        QVERIFY2(shown[1].startsWith(QStringLiteral("      250.00")), qPrintable(shown[1]));
        QVERIFY2(shown[2].startsWith(QStringLiteral("     1200.00")), qPrintable(shown[2]));
        QVERIFY(shown[0].endsWith(QString::fromUtf8("A 300 à 450     [CM M]")));
    }

    void lineRecordedWhileShownAppearsAtTheNextActivation()
    {
        appendLine(resultLine(250, 300, 100, "A"));
        FormConsulter->setVisible(true);
        QTRY_VERIFY(FormConsulter->isActiveWindow());
        appendLine(resultLine(75.5, 80, 62, "B"));
        FormConsulter->setVisible(true); // already shown: nothing happens
        QTest::qWait(50);
        QCOMPARE(list()->count(), 1);

        FormPrincipale->setVisible(true);
        QTRY_VERIFY(FormPrincipale->isActiveWindow());
        QCOMPARE(list()->count(), 1);
        comeBackTo(FormConsulter);
        QTRY_COMPARE(list()->count(), 2);
    }

    void comingBackFromDetailsReloads()
    {
        appendLine(resultLine(250, 300, 100, "A"));
        FormConsulter->setVisible(true);
        QTRY_VERIFY(FormConsulter->isActiveWindow());
        QTest::mouseClick(FormConsulter->findChild<QPushButton *>(QStringLiteral("ButtonDetails")), Qt::LeftButton);
        QVERIFY(FormDetails->isVisible());
        QVERIFY(FormConsulter->isVisible());
        QTRY_VERIFY(FormDetails->isActiveWindow());

        appendLine(resultLine(75.5, 80, 62, "B"));
        QTest::mouseClick(FormDetails->findChild<QPushButton *>(QStringLiteral("ButtonOK")), Qt::LeftButton);
        QVERIFY(!FormDetails->isVisible());
        QCOMPARE(list()->count(), 1);
        comeBackTo(FormConsulter);
        QTRY_COMPARE(list()->count(), 2);
    }

    void pathIsTheStartUpDirectorys()
    {
        appendLine(resultLine(250, 300, 100, "start-up"));
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath(QStringLiteral("TARVODAT.TXT")), resultLine(1, 1, 1, "elsewhere") + "\r\n");
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        FormConsulter->setVisible(true);
        QCOMPARE(list()->count(), 1);
        QVERIFY(list()->item(0).endsWith(QStringLiteral("start-up")));
    }

    void foreignFileShownLineByLineUnmodified_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no final line end") << QByteArray("      250.00 a\r\n       75.50 b")
                                           << QStringList{"       75.50 b", "      250.00 a"};
        QTest::newRow("LF only") << QByteArray("b\na\n") << QStringList{"a", "b"};
        QTest::newRow("undefined Windows-1252 bytes")
            << QByteArray("x\x81\x8d\x8f\x90\x9d\r\n")
            << QStringList{QString::fromUtf16(u"x\u0081\u008d\u008f\u0090\u009d")};
        QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0\r\n", 8)
                                   << QStringList{QString(QChar(0)), QString::fromUtf16(u"a\0b", 3)};
        QTest::newRow("very long line") << (QByteArray(2'000'000, 'x') + "\r\nshort\r\n")
                                        << QStringList{"short", QString(2'000'000, u'x')};
        QTest::newRow("empty file") << QByteArray() << QStringList();
    }
    void foreignFileShownLineByLineUnmodified()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        writeFile(QStringLiteral("TARVODAT.TXT"), bytes);
        const QDateTime written = QFileInfo(QStringLiteral("TARVODAT.TXT")).lastModified();

        MessageBoxes boxes;
        FormConsulter->setVisible(true);
        // Painting every line, however long or odd, must not fail either.
        QVERIFY(!FormConsulter->grab().isNull());
        QCOMPARE(boxes.count, 0);
        QCOMPARE(items(), lines);

        QFile file(QStringLiteral("TARVODAT.TXT"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        QCOMPARE(QFileInfo(file).lastModified(), written);
    }
};

QTEST_MAIN(TestConsulter)
#include "tst_consulter.moc"
