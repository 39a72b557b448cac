// What the picture of a results file places: which results become bars and
// in what order, where this machine lands and with what rank, and how many
// lines that are not results are left out; on small made-up files.
#include "chart/ChartModel.h"

#include "core/StoredResult.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvo;
using namespace tarvo::chart;

namespace {

QByteArray line(float index, const QString &cpu = QStringLiteral("P"))
{
    ResultRecord record{cpu, 3000, 3600, QStringLiteral("M"), 1.0f, 1.0f, index};
    return ResultLine(record);
}

// The bars as "index" or "index*" for this machine, highest first.
QString barsOf(const ChartModel &model)
{
    QStringList bars;
    for (const Bar &bar : model.bars)
        bars << bar.indexText + (bar.marked ? QStringLiteral("*") : QString());
    return bars.join(QLatin1Char(' '));
}

} // namespace

class TstChartModel : public QObject {
    Q_OBJECT

private slots:
    // Numbers as the windows show them, with the C locale's point.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void places_data();
    void places();
    void appendedLines();
};

void TstChartModel::places_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<double>("machine"); // negative: none
    QTest::addColumn<QString>("bars");
    QTest::addColumn<qint64>("position"); // 0: none
    QTest::addColumn<qint64>("leftOut");
    QTest::addColumn<bool>("histogram");
    QTest::addColumn<double>("median"); // negative: none

    const QByteArray three = line(200) + line(100) + line(300);
    QTest::newRow("few, highest first") << three << -1.0 << "300.00 200.00 100.00" << 0LL << 0LL << false << 200.0;
    QTest::newRow("machine among few") << three << 150.0 << "300.00 200.00 150.00* 100.00" << 3LL << 0LL << false << 200.0;
    QTest::newRow("machine ties share the place")
        << three << 200.0 << "300.00 200.00* 200.00 100.00" << 2LL << 0LL << false << 200.0;
    QTest::newRow("machine above all") << three << 900.0 << "900.00* 300.00 200.00 100.00" << 1LL << 0LL << false << 200.0;
    QTest::newRow("same descriptions kept apart")
        << line(5) + line(5) + line(5) << -1.0 << "5.00 5.00 5.00" << 0LL << 0LL << false << 5.0;
    QTest::newRow("not results lines left out")
        << line(2) + "\r\nnonsense\r\n" + line(1).replace("1.00", "1.0 ") + "        1.00\r\n" + line(3) << -1.0
        << "3.00 2.00" << 0LL << 4LL << false << 2.5;
    // Negative and very wide numbers do not sort as text does.
    QTest::newRow("sorted by value, not text")
        << line(-5) + line(3) + line(123456789) << -1.0 << "123456792.00 3.00 -5.00" << 0LL << 0LL << false << 3.0;
    QTest::newRow("empty file, machine alone") << QByteArray() << 10.0 << "10.00*" << 1LL << 0LL << false << -1.0;

    // Only a line the parser takes whole is a result: an index and results
    // that read well are not enough.
    QByteArray badMiddle = line(7);
    badMiddle.replace(" \xe0 ", " a ");
    QByteArray badBoard = line(8);
    badBoard.replace("]\r\n", "\r\n");
    QTest::newRow("index well-formed, description not")
        << line(2) + badMiddle + badBoard + line(1) << -1.0 << "2.00 1.00" << 0LL << 2LL << false << 1.5;
    // Lines end at CR LF, a lone LF or a lone CR; empty lines are lines too.
    QTest::newRow("every line end")
        << line(4).chopped(2) + "\n" + line(6).chopped(2) + "\r\r\n\n" + line(5).chopped(2) << 5.5
        << "6.00 5.50* 5.00 4.00" << 2LL << 2LL << false << 5.0;

    QByteArray many;
    for (int i = 1; i <= 60; ++i)
        many += line(float(i));
    QTest::newRow("many: highest ones without machine")
        << many << -1.0 << "60.00 59.00 58.00 57.00 56.00 55.00 54.00 53.00 52.00 51.00 50.00 49.00 48.00 47.00 46.00"
        << 0LL << 0LL << true << 30.5;
    QTest::newRow("many: neighbours of the machine")
        << many << 30.5
        << "37.00 36.00 35.00 34.00 33.00 32.00 31.00 30.50* 30.00 29.00 28.00 27.00 26.00 25.00 24.00" << 31LL << 0LL
        << true << 30.5;
    QTest::newRow("many: machine at the bottom")
        << many << 0.5 << "14.00 13.00 12.00 11.00 10.00 9.00 8.00 7.00 6.00 5.00 4.00 3.00 2.00 1.00 .50*" << 61LL
        << 0LL << true << 30.5;

    // Past the length taken apart in two halves side by side: every line
    // counted once, wherever the halves meet.
    QByteArray longFile;
    for (int i = 0; i < 120000; ++i)
        longFile += i % 10000 == 5000 ? QByteArray("pas un résultat\r\n") : line(float(i % 1000));
    QTest::newRow("long: in two halves")
        << longFile << 998.5 << "999.00 999.00 999.00 999.00 999.00 999.00 999.00 998.50* 998.00 998.00 998.00 998.00 "
                                "998.00 998.00 998.00" << 121LL << 12LL << true << 500.0;
}

void TstChartModel::places()
{
    QFETCH(QByteArray, file);
    QFETCH(double, machine);
    QFETCH(QString, bars);
    QFETCH(qint64, position);
    QFETCH(qint64, leftOut);
    QFETCH(bool, histogram);
    QFETCH(double, median);

    LineList lines = LineList::fromBytes(file);
    lines.sort();
    std::optional<Machine> mark;
    if (machine >= 0.0)
        mark = Machine{machine, {}};
    const ChartModel model = BuildModel(lines, mark);

    QCOMPARE(barsOf(model), bars);
    QCOMPARE(model.machinePosition.value_or(0), position);
    QCOMPARE(model.leftOut, leftOut);
    QCOMPARE(model.results + model.leftOut, lines.size());
    QCOMPARE(model.histogram.has_value(), histogram);
    QCOMPARE(model.median.value_or(-1.0), median);
    if (model.histogram) {
        std::int64_t counted = 0;
        for (const std::int64_t count : model.histogram->counts)
            counted += count;
        QCOMPARE(counted, model.results);
        QCOMPARE(model.histogram->markedBin >= 0, bool(mark));
    }
    // Equal indexes share a place; the next place counts them all.
    QStringList places;
    for (const Bar &bar : model.bars)
        places << QString::number(bar.position);
    if (QTest::currentDataTag() == QByteArray("machine ties share the place"))
        QCOMPARE(places.join(QLatin1Char(' ')), QStringLiteral("1 2 2 4"));
    if (QTest::currentDataTag() == QByteArray("many: neighbours of the machine"))
        QCOMPARE(places.join(QLatin1Char(' ')), QStringLiteral("24 25 26 27 28 29 30 31 32 33 34 35 36 37 38"));
}

// Two copies of a list share the file's bytes, each reading in what was
// appended since its own last load: each picture counts its own lines, those
// the other copy read in before it included, and no others.
void TstChartModel::appendedLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TARVODAT.TXT"));
    const auto append = [&](const QByteArray &bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(bytes);
    };
    append(line(1) + "pas un résultat\r\n" + line(2));
    LineList first;
    first.loadSorted(path.toStdString());
    LineList second = first;
    append(line(3) + line(4));
    QCOMPARE(second.loadSorted(path.toStdString()), LineList::Read::Appended);
    append(line(5));
    QCOMPARE(first.loadSorted(path.toStdString()), LineList::Read::Appended);
    QVERIFY(first.sharesBytesWith(second));

    const ChartModel fewer = BuildModel(second, std::nullopt), more = BuildModel(first, std::nullopt);
    QCOMPARE(barsOf(fewer), QStringLiteral("4.00 3.00 2.00 1.00"));
    QCOMPARE(barsOf(more), QStringLiteral("5.00 4.00 3.00 2.00 1.00"));
    QCOMPARE(more.leftOut, 1);
}

QTEST_GUILESS_MAIN(TstChartModel)
#include "tst_chartmodel.moc"
