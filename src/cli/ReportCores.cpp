#include "cli/ReportCores.h"

#include "cli/Conditions.h"
#include "cli/ConditionsTexts.h"
#include "cli/Output.h"
#include "cli/PictureTexts.h"
#include "cli/ReportTexts.h"

#include "core/Conversions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace tarvo::cli {

namespace {

using namespace pictures;

QString cell(const QString &text, const char *tag = "td")
{
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), text.toHtmlEscaped());
}

QString row(const QStringList &cells, const char *tag = "td")
{
    QString html = QStringLiteral("<tr>");
    for (const QString &text : cells)
        html += cell(text, tag);
    return html + QStringLiteral("</tr>\n");
}

// A result as the windows write it.
QString result(const QJsonValue &value)
{
    return FormatFloat(float(value.toDouble()));
}

QStringList results(const QJsonObject &scores)
{
    return {result(scores[u"integer"]), result(scores[u"floating"]), result(scores[u"index"])};
}

QString cpuOf(const QJsonObject &thread)
{
    return thread[u"cpu"].isDouble() ? QString::number(thread[u"cpu"].toInt()) : UnpinnedCpu();
}

// The conditions before the test as the document gives them (null where
// unread), read back into what the text modes print them from.
Conditions conditionsOf(const QJsonObject &c)
{
    Conditions read;
    if (c[u"processor"].isString())
        read.processor = c[u"processor"].toString();
    if (c[u"cpus"].isDouble())
        read.cpus = c[u"cpus"].toInt();
    if (c[u"governor"].isString())
        read.governor = c[u"governor"].toString();
    if (c[u"power"].isString())
        read.power = c[u"power"].toString() == QLatin1String("battery") ? Power::Battery : Power::Mains;
    if (const QJsonArray load = c[u"load"].toArray(); load.size() == 3)
        read.load = std::array<double, 3>{load[0].toDouble(), load[1].toDouble(), load[2].toDouble()};
    if (c[u"throttle_count"].isDouble())
        read.throttleCount = std::uint64_t(c[u"throttle_count"].toInteger());
    if (const QJsonValue machine = c[u"virtual_machine"]; machine.isString() || machine.isBool())
        read.virtualMachine = VirtualMachine{machine.isString(), machine.isString() ? machine.toString() : QString()};
    if (c[u"smt"].isBool())
        read.smt = c[u"smt"].toBool();
    if (c[u"turbo"].isBool())
        read.turbo = c[u"turbo"].toBool();
    return read;
}

// The lines the text modes begin with, without their last, which announces the test.
QString conditionsBlock(const QJsonObject &document)
{
    const QJsonObject before = document[u"conditions"].toObject()[u"before"].toObject();
    if (before.isEmpty())
        return {};
    QStringList lines = ConditionsLines(conditionsOf(before)).split(u'\n', Qt::SkipEmptyParts);
    lines.removeLast();
    return QStringLiteral("<pre>%1</pre>\n").arg(lines.join(u'\n').toHtmlEscaped());
}

QString roundTable(const QJsonObject &round)
{
    // The text output's heads, without its two columns of times.
    QString html = QStringLiteral("<table>\n") + row(RoundHeadings(round[u"run"].toInt()).mid(0, 5), "th");
    const QJsonObject single = round[u"single"].toObject();
    html += row(QStringList{SingleCoreRow(), cpuOf(single)} + results(single));
    for (const QJsonValue &value : round[u"threads"].toArray()) {
        const QJsonObject thread = value.toObject();
        html += row(QStringList{ThreadRow(std::size_t(thread[u"thread"].toInt())), cpuOf(thread)} + results(thread));
    }
    const QJsonObject multi = round[u"multi"].toObject();
    html += row(QStringList{MultiSumRow(), QString()} + results(multi));
    html += row(QStringList{MultiByWallRow(), QString()} + results(multi[u"by_wall"].toObject()));
    html += QStringLiteral("</table>\n<p class=\"echelle\">%1</p>\n")
                .arg(ScalingLine(Figure(round[u"scaling"].toDouble()),
                                 Figure(100.0 * round[u"efficiency"].toDouble()))
                         .trimmed()
                         .toHtmlEscaped());
    if (round[u"disturbed"].toBool())
        html += QStringLiteral("<p>%1</p>\n").arg(DisturbedNote().toHtmlEscaped());
    return html;
}

QString threadsSection(const QJsonObject &document)
{
    QString html = QStringLiteral("<h2>%1</h2>\n<div id=\"coeurs\">\n")
                       .arg(ThreadsHeading(document[u"threads"].toInt(), document[u"pinned"].toBool())
                                .toHtmlEscaped());
    html += conditionsBlock(document);
    const QJsonArray rounds = document[u"runs"].toArray();
    for (const QJsonValue &round : rounds)
        html += roundTable(round.toObject());
    if (rounds.size() > 1) {
        const QJsonObject summary = document[u"summary"].toObject();
        html += QStringLiteral("<table><caption>%1</caption>\n").arg(MediansCaption(int(rounds.size())).toHtmlEscaped());
        html += row({QString(), MedianColumn()}, "th");
        html += row({ThreadsFigureName(ThreadsFigure::SingleIndex), result(summary[u"single_index"])});
        html += row({ThreadsFigureName(ThreadsFigure::MultiIndex), result(summary[u"multi_index"])});
        html += row({ThreadsFigureName(ThreadsFigure::MultiIndexByWall), result(summary[u"multi_index_by_wall"])});
        html += row({ThreadsFigureName(ThreadsFigure::Scaling), Figure(summary[u"scaling"].toDouble())});
        html += row({ThreadsFigureName(ThreadsFigure::Efficiency),
                     Figure(100.0 * summary[u"efficiency"].toDouble()) + QStringLiteral(" %")});
        html += QStringLiteral("</table>\n");
    }
    return html + QStringLiteral("</div>\n");
}

// A CPU's kind from its name in the document.
CoreType coreTypeOf(const QString &key)
{
    for (const CoreType type : {CoreType::Performance, CoreType::Efficiency})
        if (key == QLatin1String(CoreTypeKey(type)))
            return type;
    return CoreType::Unknown;
}

QString joined(const QJsonArray &values, const QString &none)
{
    QStringList texts;
    for (const QJsonValue &value : values)
        texts << (value.isString() ? value.toString() : QString::number(value.toInt()));
    return texts.isEmpty() ? none : texts.join(QStringLiteral(", "));
}

QString perCoreSection(const QJsonObject &document)
{
    QString html = QStringLiteral("<h2>%1</h2>\n<div id=\"coeurs\">\n").arg(EachCpuHeading().toHtmlEscaped());
    html += conditionsBlock(document) + QStringLiteral("<table>\n");
    html += row({CpuColumn(), TypeColumn(), ClusterColumn(), SiblingsColumn(), MaxFrequencyColumn(),
                 IntegerColumn(), FloatingColumn(), IndexColumn(), MarkColumn()},
                "th");
    for (const QJsonValue &value : document[u"cpus"].toArray()) {
        const QJsonObject cpu = value.toObject();
        const QJsonValue cluster = cpu[u"cluster"], frequency = cpu[u"max_frequency_hz"];
        html += row(QStringList{QString::number(cpu[u"cpu"].toInt()), CoreKind(coreTypeOf(cpu[u"type"].toString())),
                                cluster.isDouble() ? QString::number(cluster.toInt()) : QString(),
                                joined(cpu[u"smt_siblings"].toArray(), NoSibling()),
                                frequency.isDouble() ? Gigahertz(frequency.toDouble()) : QString()}
                    + results(cpu) + QStringList{joined(cpu[u"reasons"].toArray(), QString())});
    }
    return html + QStringLiteral("</table>\n</div>\n");
}

} // namespace

QString ManyCoresSection(const QByteArray &json)
{
    const QJsonObject document = QJsonDocument::fromJson(json).object();
    const QString mode = document[u"mode"].toString();
    if (mode == QLatin1String("threads"))
        return threadsSection(document);
    if (mode == QLatin1String("per_core"))
        return perCoreSection(document);
    return {};
}

} // namespace tarvo::cli
