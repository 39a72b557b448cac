// The report's section for --threads and --per-core, from documents shaped as
// those modes write them: which rows it holds, how figures and marks are
// worded, that texts are escaped, and that another document adds nothing.
#include "cli/ReportCores.h"

#include <QLocale>
#include <QTest>

using namespace tarvo::cli;

namespace {

const char *const twoThreads = R"({"mode":"threads","threads":2,"pinned":true,
 "conditions":{"before":{"processor":"<P> & Q","cpus":2,"governor":null,"power":"battery","load":[1,2,3.5],
  "throttle_count":7,"virtual_machine":false,"smt":true,"turbo":null},"after":{}},"runs":[
 {"run":1,"single":{"cpu":0,"integer":10,"floating":20,"index":15},
  "threads":[{"thread":1,"cpu":0,"integer":10,"floating":20,"index":15},
             {"thread":2,"cpu":1,"integer":9,"floating":19,"index":14}],
  "multi":{"integer":19,"floating":39,"index":29,"by_wall":{"integer":18,"floating":38,"index":28.5}},
  "scaling":1.9,"efficiency":0.95,"disturbed":false}],
 "summary":{"single_index":15,"multi_index":29,"multi_index_by_wall":28.5,"scaling":1.9,"efficiency":0.95}})";

const char *const unpinnedTwice = R"({"mode":"threads","threads":1,"pinned":false,"runs":[
 {"run":1,"single":{"cpu":null,"index":15},"threads":[{"thread":1,"cpu":null,"index":15}],
  "multi":{"index":15,"by_wall":{"index":9}},"scaling":0.6,"efficiency":0.6,"disturbed":true},
 {"run":2,"single":{"cpu":null,"index":15},"threads":[{"thread":1,"cpu":null,"index":15}],
  "multi":{"index":15,"by_wall":{"index":15}},"scaling":1,"efficiency":1,"disturbed":false}],
 "summary":{"single_index":15,"multi_index":15,"multi_index_by_wall":12,"scaling":0.8,"efficiency":0.8}})";

const char *const hybrid = R"({"mode":"per_core","cpus":[
 {"cpu":0,"type":"performance","cluster":0,"smt_siblings":[1],"max_frequency_hz":4.2e9,
  "integer":10,"floating":20,"index":15,"reasons":[]},
 {"cpu":8,"type":"efficiency","cluster":null,"smt_siblings":[],"max_frequency_hz":null,
  "integer":5,"floating":10,"index":7.5,"reasons":["<b>lent</b> & chaud","cause inconnue"]}]})";

} // namespace

class TstReportCores : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void section_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("rows"); // <tr> in the section
        QTest::addColumn<QStringList>("holds");
        QTest::addColumn<QStringList>("lacks");
        QTest::newRow("two pinned threads, one round")
            << QByteArray(twoThreads) << 6
            << QStringList{"<td>Fil 2</td><td>1</td><td>9.00</td><td>19.00</td><td>14.00</td>",
                           "<td>Multi-cœurs (durée réelle)</td><td></td><td>18.00</td><td>38.00</td><td>28.50</td>",
                           "Mise à l'échelle : 1.90 (efficacité 95.00 %)", "chacun attaché",
                           "processeur : &lt;P&gt; &amp; Q\n", "charge moyenne : 1.00 (1 min), 2.00 (5 min), 3.50",
                           "(compteurs) : 7\n", "gouverneur de fréquence : inconnu\n"}
            << QStringList{"Perturbé", "Sur 1 essais", "libre", "Test en cours"};
        QTest::newRow("unpinned, two rounds, one disturbed")
            << QByteArray(unpinnedTwice) << 2 * 5 + 6
            << QStringList{"<td>Fil 1</td><td>libre</td>", "Perturbé", "<caption>Sur 2 essais</caption>",
                           "<td>Indice multi (durée réelle)</td><td>12.00</td>", "<td>Efficacité</td><td>80.00 %</td>"}
            << QStringList{"chacun attaché", "<pre>"};
        QTest::newRow("each CPU, with its marks escaped")
            << QByteArray(hybrid) << 3
            << QStringList{"<td>0</td><td>performance</td><td>0</td><td>1</td><td>4.20 GHz</td>",
                           "<td>8</td><td>efficacité</td><td></td><td>aucun</td><td></td><td>5.00</td>",
                           "&lt;b&gt;lent&lt;/b&gt; &amp; chaud, cause inconnue"}
            << QStringList{"<b>"};
        QTest::newRow("a run's document adds nothing") << QByteArray(R"({"mode":"run","runs":[]})") << 0
                                                       << QStringList{} << QStringList{"<"};
        QTest::newRow("not JSON") << QByteArray("{\"mode\":\"threads\"") << 0 << QStringList{} << QStringList{"<"};
    }
    void section()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, rows);
        QFETCH(QStringList, holds);
        QFETCH(QStringList, lacks);
        const QString html = ManyCoresSection(json);
        QCOMPARE(html.count(QStringLiteral("<tr>")), rows);
        for (const QString &text : holds)
            QVERIFY2(html.contains(text), qPrintable(text + QStringLiteral(" not in ") + html));
        for (const QString &text : lacks)
            QVERIFY2(!html.contains(text), qPrintable(text + QStringLiteral(" in ") + html));
    }
};

QTEST_GUILESS_MAIN(TstReportCores)
#include "tst_reportcores.moc"
