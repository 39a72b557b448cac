// The test window: its design, and the test run that "Tester" starts in it.
#include "FormsFixture.h"
#include "../FlushToZero.h"

#include "ui_UnitPrincipale.h"
#include "ui_UnitTest.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <cmath>
#include <ctime>
#include <vector>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget)
    {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// What the screen looked like at one clock reading of the test run.
struct Reading {
    bool shown;
    bool exposed;
    bool hourglass;
    int bar;
    int formPaints;
    int barPaints;
    bool flushing;
};

void pressTester()
{
    QTest::mouseClick(FormPrincipale->ui->ButtonTester, Qt::LeftButton);
}

} // namespace

class TestFormTest : public QObject {
    Q_OBJECT

    std::vector<int> barValues;

private slots:
    void initTestCase()
    {
        createAllForms();
        FormPrincipale->setVisible(true);
        connect(FormTest->ui->ProgressBar, &QProgressBar::valueChanged, this,
                [this](int value) { barValues.push_back(value); });
    }

    void init()
    {
        // Each case starts from the main window alone, with the real clock.
        FormSaisie->setVisible(false);
        Horloge = tarvo::ProcessClock();
        barValues.clear();
    }

    void windowMatchesItsDesign()
    {
        QCOMPARE(FormTest->metaObject()->className(), "TFormTest");
        QCOMPARE(FormTest->windowTitle(), QStringLiteral("Procédure de test"));
        QCOMPARE(FormTest->size(), QSize(352, 93));
        QCOMPARE(FormTest->minimumSize(), FormTest->maximumSize());
        QVERIFY(!(FormTest->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(FormTest->windowFlags() & Qt::WindowSystemMenuHint));

        const auto *ui = FormTest->ui.get();
        QCOMPARE(ui->ProgressBar->objectName(), QStringLiteral("ProgressBar"));
        QCOMPARE(ui->ProgressBar->geometry(), QRect(16, 62, 321, 16));
        QCOMPARE(ui->ProgressBar->minimum(), 0);
        QCOMPARE(ui->ProgressBar->maximum(), 8);
        QVERIFY(!ui->ProgressBar->isTextVisible());

        QCOMPARE(ui->StaticText1->objectName(), QStringLiteral("StaticText1"));
        QCOMPARE(ui->StaticText1->geometry(), QRect(14, 20, 323, 29));
        QCOMPARE(ui->StaticText1->text(),
                 QStringLiteral("Les calculs sont en cours. Ceci peut prendre quelques minutes si votre "
                                "machine est peu rapide ."));
        QCOMPARE(ui->StaticText1->textFormat(), Qt::PlainText);
        QVERIFY(ui->StaticText1->wordWrap());
        QCOMPARE(QFontInfo(ui->StaticText1->font()).family(), QStringLiteral("MS Sans Serif"));

        // The two controls in their declared order: bar, then notice.
        const QList<QWidget *> children = FormTest->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(children.indexOf(ui->ProgressBar) < children.indexOf(ui->StaticText1), true);
    }

    // Before the first kernel the window is on screen and painted; after each
    // kernel the bar is repainted at once; nothing is left for later. Every
    // clock reading notes what the user would see at that moment.
    void testerRunsTheTest()
    {
        QCOMPARE(FormPrincipale->ResultatEntier, -1.0f);
        PaintCounter formPaints(FormTest);
        PaintCounter barPaints(FormTest->ui->ProgressBar);
        std::vector<Reading> readings;
        const tarvo::Clock real = tarvo::ProcessClock();
        Horloge = {[&] {
                       const bool flushing = FlushingToZero();
                       const QCursor *cursor = QGuiApplication::overrideCursor();
                       readings.push_back({FormTest->isVisible(),
                                           FormTest->windowHandle() && FormTest->windowHandle()->isExposed(),
                                           cursor && cursor->shape() == Qt::WaitCursor,
                                           FormTest->ui->ProgressBar->value(), formPaints.paints,
                                           barPaints.paints, flushing});
                       return real.read();
                   },
                   real.perSecond};

        pressTester();

        QCOMPARE(readings.size(), std::size_t(80));
        for (std::size_t i = 0; i < readings.size(); ++i) {
            const Reading &r = readings[i];
            const int kernelsDone = int(i / 10);
            QVERIFY(r.shown);
            QVERIFY(r.exposed);
            QVERIFY(r.hourglass);
            QVERIFY2(!r.flushing, "flush-to-zero or denormals-are-zero is on while the kernels run");
            QCOMPARE(r.bar, kernelsDone);
            QVERIFY(r.formPaints > 0);
            QVERIFY(r.barPaints > 0);
            if (i % 10 == 0 && i > 0)
                QVERIFY2(r.barPaints > readings[i - 10].barPaints, "the bar was not repainted after a kernel");
        }
        QCOMPARE(barValues, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));

        QCOMPARE(FormTest->ui->ProgressBar->value(), 8);
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!FormTest->isVisible());
        QVERIFY(FormSaisie->isVisible());

        const float e = FormPrincipale->ResultatEntier;
        const float f = FormPrincipale->ResultatFlottant;
        const float i = FormPrincipale->Indice;
        QVERIFY2(std::isfinite(e) && e > 0.0f, qPrintable(QString::number(e)));
        QVERIFY2(std::isfinite(f) && f > 0.0f, qPrintable(QString::number(f)));
        QVERIFY(i == static_cast<float>((3.0L * f + e) * 0.25L));
    }

    void secondTesterStartsFromZero()
    {
        FormPrincipale->Processeur = QStringLiteral("Athlon XP 1700+");
        FormPrincipale->FreqOrigine = 1467;
        FormPrincipale->FreqOverclock = 1600;
        FormPrincipale->CarteMere = QStringLiteral("A7V333");
        FormPrincipale->ResultatEntier = -2.0f;
        FormPrincipale->ResultatFlottant = -2.0f;
        FormPrincipale->Indice = -2.0f;
        QCOMPARE(FormTest->ui->ProgressBar->value(), 8);

        // The bar is seen back at 0 before the first kernel, not still full.
        PaintCounter barPaints(FormTest->ui->ProgressBar);
        int paintsWhenZero = -1;
        int paintsAtFirstReading = -1;
        const auto zero = connect(FormTest->ui->ProgressBar, &QProgressBar::valueChanged, this,
                                  [&](int value) {
                                      if (value == 0)
                                          paintsWhenZero = barPaints.paints;
                                  });
        const tarvo::Clock real = tarvo::ProcessClock();
        Horloge = {[&] {
                       if (paintsAtFirstReading < 0)
                           paintsAtFirstReading = barPaints.paints;
                       return real.read();
                   },
                   real.perSecond};

        pressTester();
        disconnect(zero);

        QVERIFY(paintsWhenZero >= 0);
        QVERIFY2(paintsAtFirstReading > paintsWhenZero, qPrintable(QStringLiteral("%1 %2").arg(paintsWhenZero).arg(paintsAtFirstReading)));
        QCOMPARE(barValues, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
        QVERIFY(FormSaisie->isVisible());
        QVERIFY(FormPrincipale->ResultatEntier > 0.0f);
        QVERIFY(FormPrincipale->ResultatFlottant > 0.0f);
        QVERIFY(FormPrincipale->Indice > 0.0f);
        QCOMPARE(FormPrincipale->Processeur, QStringLiteral("Athlon XP 1700+"));
        QCOMPARE(FormPrincipale->FreqOrigine, 1467);
        QCOMPARE(FormPrincipale->FreqOverclock, 1600);
        QCOMPARE(FormPrincipale->CarteMere, QStringLiteral("A7V333"));
    }

    // A kernel whose five repetitions all measure 0 ms cannot be scored: the
    // run stops with a message, stores nothing, shows no entry window, and the
    // cursor comes back.
    void kernelTooFastStopsTheRun()
    {
        FormPrincipale->ResultatEntier = -3.0f;
        FormPrincipale->ResultatFlottant = -3.0f;
        FormPrincipale->Indice = -3.0f;
        Horloge = {[] { return std::int64_t(42); }, 1000};
        QString message;
        bool seen = false;
        acknowledge(&seen, &message);

        pressTester();

        QVERIFY(seen);
        QVERIFY2(message.contains(QStringLiteral("trop rapide")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("n° 1")), qPrintable(message));
        QCOMPARE(FormPrincipale->ResultatEntier, -3.0f);
        QCOMPARE(FormPrincipale->ResultatFlottant, -3.0f);
        QCOMPARE(FormPrincipale->Indice, -3.0f);
        QVERIFY(!FormSaisie->isVisible());
        QVERIFY(!FormTest->isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Kernel 7 ends on a wrong value: the message names it and what it should
    // have computed, the machine record keeps its results, no entry window.
    void wrongComputationRecordsNothing()
    {
        FormPrincipale->ResultatEntier = -3.0f;
        FormPrincipale->ResultatFlottant = -3.0f;
        FormPrincipale->Indice = -3.0f;
        std::int64_t now = 0;
        Horloge = {[&now] { return now += 100; }, 1000};
        for (tarvo::Kernel &kernel : Noyaux) {
            kernel.start = kernel.repetition = [] {};
            if (kernel.outcome)
                kernel.outcome = [] { return 0.0; };
            kernel.expected = 0.0;
        }
        Noyaux[6].outcome = [] { return 2.5; };
        Noyaux[6].expected = 1.5;
        QString message;
        bool seen = false;
        acknowledge(&seen, &message);

        pressTester();
        Noyaux = tarvo::Kernels;

        QVERIFY(seen);
        QVERIFY2(message.startsWith(QStringLiteral("Le calcul n° 7 a donné 2,5 au lieu de 1,5.")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("aucun résultat n'est enregistré")), qPrintable(message));
        QCOMPARE(FormPrincipale->ResultatEntier, -3.0f);
        QCOMPARE(FormPrincipale->Indice, -3.0f);
        QVERIFY(!FormSaisie->isVisible());
        QVERIFY(!FormTest->isVisible());
    }

    void cleanupTestCase()
    {
        Horloge = tarvo::ProcessClock();
        tarvo::TApplication::DestroyForms();
    }
};

QTEST_MAIN(TestFormTest)
#include "tst_formtest.moc"
