// --compare on documents written here as --run --repeat=N --json writes them:
// the same runs, the same scaled by 1.05, another machine's, too few runs, a
// warning of one side's own, a file that cannot be read and one that is not
// such a document. The Mann-
// Whitney test is checked against values worked out by hand.
#include "cli/Compare.h"

#include "core/Significance.h"

#include "../ScratchFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tarvo;
using namespace tarvo::cli;

Q_DECLARE_METATYPE(std::vector<double>)

namespace {

const std::vector<double> indexes = {1000.0, 1004.0, 998.0, 1002.0, 1001.0, 999.5};
// Every document carries it: said once, for both.
const QString sharedWarning = QStringLiteral("Attention : la machine fonctionne sur batterie.");

QByteArray document(const QString &machine, double scale, std::size_t runs,
                    const QStringList &warnings = {sharedWarning})
{
    QJsonArray list;
    for (std::size_t r = 0; r < runs; ++r)
        list.append(QJsonObject{{"run", int(r + 1)}, {"index", indexes[r] * scale},
                                {"integer", indexes[r] * scale / 2}, {"floating", indexes[r] * scale * 1.1},
                                {"valid", true}});
    const QJsonObject root{{"program", "CPU Tarvo 32"}, {"version", "1.1"}, {"format_version", 2},
                           {"machine_id", machine}, {"runs", list},
                           {"warnings", QJsonArray::fromStringList(warnings)}};
    return QJsonDocument(root).toJson();
}

} // namespace

class TestCompare : public QObject {
    Q_OBJECT

private slots:
    void compares_data()
    {
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("verdict"); // of the index; or a part of the refusal
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("warnings");
        const QByteArray a = document("m1", 1.0, 6);
        QTest::newRow("equal") << a << 0 << "no_difference" << 1.0 << 1;
        QTest::newRow("a warning of B's own") << document("m1", 1.0, 6, {sharedWarning, "Attention : B."}) << 0
                                              << "no_difference" << 1.0 << 2;
        QTest::newRow("5 % faster") << document("m1", 1.05, 6) << 0 << "faster" << 1.05 << 1;
        QTest::newRow("5 % slower, another machine") << document("m2", 1 / 1.05, 5) << 0 << "slower"
                                                     << 0.95286 << 2;
        QTest::newRow("too few runs") << document("m1", 1.05, 2) << 0 << "too_few_runs" << 1.05157 << 1;
        QTest::newRow("not a run document") << QByteArray("{\"program\": \"CPU Tarvo 32\", \"runs\": [{}]}") << 2
                                            << "pas de valeur « index »" << 0.0 << 0;
        QTest::newRow("not JSON") << QByteArray("Proc;300\r\n") << 2 << "JSON incorrect" << 0.0 << 0;
        QTest::newRow("unreadable") << QByteArray() << 1 << "Impossible d'ouvrir" << 0.0 << 0;
    }
    void compares()
    {
        QFETCH(QByteArray, b);
        QFETCH(int, status);
        QFETCH(QString, verdict);
        QFETCH(double, ratio);
        QFETCH(int, warnings);
        QTemporaryDir dir;
        const QString pathA = dir.filePath("a.json"), pathB = dir.filePath("b.json");
        QVERIFY(writeFile(pathA, document("m1", 1.0, 6)));
        if (!b.isEmpty())
            QVERIFY(writeFile(pathB, b));
        const auto a = std::get<RunDocument>(ReadRunDocument(pathA.toStdString()));
        const auto readB = ReadRunDocument(pathB.toStdString());
        if (const auto *refusal = std::get_if<DocumentRefusal>(&readB)) {
            QCOMPARE(refusal->status, status);
            QVERIFY2(refusal->message.contains(verdict), qPrintable(refusal->message));
        } else {
            QCOMPARE(status, 0);
            const RunDocument &other = std::get<RunDocument>(readB);
            const QStringList said = DocumentWarnings(a, other);
            QCOMPARE(said.size(), warnings);
            QVERIFY2(said.contains(sharedWarning + " (A et B)"), qPrintable(said.join('\n')));
            const Difference d = CompareRuns(a.index, other.index);
            QVERIFY2(std::abs(d.ratio - ratio) < 1e-4, qPrintable(QString::number(d.ratio)));
            QVERIFY(d.low <= d.ratio && d.ratio <= d.high);
            const char *verdicts[] = {"too_few_runs", "no_difference", "faster", "slower"};
            const int expected = int(std::find(std::begin(verdicts), std::end(verdicts), verdict) - std::begin(verdicts));
            QCOMPARE(!d.enoughRuns ? 0 : !d.significant ? 1 : d.ratio > 1 ? 2 : 3, expected);
        }
        // The whole mode gives the same status, with the two files in order.
        std::string printed;
        Output out(printed);
        QCOMPARE(CompareMode({pathA.toStdString(), pathB.toStdString()}, true, out), status);
    }

    void mannWhitney_data()
    {
        QTest::addColumn<std::vector<double>>("a");
        QTest::addColumn<std::vector<double>>("b");
        QTest::addColumn<double>("p");
        // Fully separated: 2 of C(10, 5) = 252 arrangements.
        QTest::newRow("5 against 5, apart") << std::vector<double>{1, 2, 3, 4, 5} << std::vector<double>{6, 7, 8, 9, 10}
                                            << 2.0 / 252;
        // Rank sums 3 of C(4, 2) = 6: {1,2} and {3,4} are as far, p = 2/6.
        QTest::newRow("2 against 2") << std::vector<double>{1, 2} << std::vector<double>{3, 4} << 2.0 / 6;
        // One tie across the samples: midranks 1, 2, 3.5, 3.5, 5, 6; sums of
        // three as far from 10.5 as 6.5 (the observed 1+2+3.5): 4 of 20.
        QTest::newRow("a tie") << std::vector<double>{1, 2, 3} << std::vector<double>{3, 4, 5} << 4.0 / 20;
        QTest::newRow("identical") << std::vector<double>{7, 7, 7} << std::vector<double>{7, 7, 7} << 1.0;
    }
    void mannWhitney()
    {
        QFETCH(std::vector<double>, a);
        QFETCH(std::vector<double>, b);
        QFETCH(double, p);
        QVERIFY(std::abs(MannWhitneyP(a, b) - p) < 1e-12);
        QVERIFY(std::abs(MannWhitneyP(b, a) - p) < 1e-12);
    }
};

QTEST_APPLESS_MAIN(TestCompare)
#include "tst_compare.moc"
