// --save writes the very bytes that the entry window's "OK" writes for the
// same description and results: the results line and the four history
// entries, under a French locale where printf would write a decimal comma.
#include "../ScratchFiles.h"
#include "FormsFixture.h"

#include "cli/Options.h"
#include "cli/Save.h"

#include "core/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const char *const dataFiles[] = {"TARVODAT.TXT", "_CPU.TXT", "_FORIG.TXT", "_FOVER.TXT", "_CMERE.TXT"};

} // namespace

class TestCliSave : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { createAllForms(); }

    void savesTheBytesOfOk_data()
    {
        QTest::addColumn<QStringList>("typed"); // processor, original, overclocked, motherboard
        QTest::newRow("accents, percent, leading zero")
            << QStringList{"Célèron 100% [x]", "0450", "500", "Carte mère; \"A\""};
        QTest::newRow("spaces kept") << QStringList{" P ", "1", "2147483647", "  "};
    }
    void savesTheBytesOfOk()
    {
        QFETCH(QStringList, typed);
        const tarvo::Scores scores{1234.5678f, 0.125f, 1e9f};
        const QString home = QDir::currentPath();

        // The window: results from a test, the four values through the input boxes, "OK".
        QTemporaryDir window;
        QVERIFY(QDir::setCurrent(window.path()));
        FormPrincipale->ResultatEntier = scores.entier;
        FormPrincipale->ResultatFlottant = scores.flottant;
        FormPrincipale->Indice = scores.indice;
        FormSaisie->setVisible(true);
        const char *const buttons[] = {"ButtonCPU", "ButtonFreqOrigine", "ButtonFreqOverclock", "ButtonCarteMere"};
        for (int i = 0; i < 4; ++i) {
            bool seen = false;
            onNextModal(
                [text = typed[i]](QDialog *dialog) {
                    auto *box = qobject_cast<QInputDialog *>(dialog);
                    box->setTextValue(text);
                    box->accept();
                },
                &seen);
            QTest::mouseClick(FormSaisie->findChild<QPushButton *>(buttons[i]), Qt::LeftButton);
            QVERIFY2(seen, buttons[i]);
        }
        QTest::mouseClick(FormSaisie->findChild<QPushButton *>("ButtonOK"), Qt::LeftButton);
        QVERIFY(!FormSaisie->isVisible());

        // The command line, with the same values as options.
        QTemporaryDir line;
        QVERIFY(QDir::setCurrent(line.path()));
        tarvo::cli::Options options;
        options.save = true;
        options.processor = typed[0];
        options.baseFrequency = typed[1];
        options.overclockFrequency = typed[2];
        options.motherboard = typed[3];
        const auto checked = tarvo::cli::CheckDescription(options);
        QVERIFY(std::holds_alternative<tarvo::ResultRecord>(checked));
        tarvo::cli::SaveResult(std::get<tarvo::ResultRecord>(checked), scores);
        QVERIFY(QDir::setCurrent(home));

        for (const char *name : dataFiles) {
            const QByteArray bytes = readAll(line.filePath(name));
            QCOMPARE(bytes, readAll(window.filePath(name)));
            QVERIFY2(bytes.endsWith("\r\n"), name);
        }
    }
};

QTEST_MAIN(TestCliSave)
#include "tst_clisave.moc"
