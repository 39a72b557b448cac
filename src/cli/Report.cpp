#include "cli/Report.h"

#include "cli/BuildInfo.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/PictureTexts.h"
#include "cli/ReportCores.h"
#include "cli/RunReport.h"

#include "chart/ChartFiles.h"
#include "core/Conversions.h"
#include "core/Errors.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSaveFile>

namespace tarvo::cli {

namespace {

using namespace pictures;

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// The SVG document as an element of the page: no XML declaration, and no
// namespace declarations, whose values are addresses the page must not hold
// (an svg element in HTML is in the SVG namespace without them).
QString inlineSvg(const QByteArray &svg)
{
    QString text = QString::fromUtf8(svg);
    text.remove(QRegularExpression(QStringLiteral("<\\?xml[^>]*\\?>")));
    text.remove(QRegularExpression(QStringLiteral("\\s+xmlns(:\\w+)?=\"[^\"]*\"")));
    text.remove(QRegularExpression(QStringLiteral("\\s+baseProfile=\"[^\"]*\"")));
    return text.trimmed();
}

// What the command line prints about the runs, as it prints it: the
// conditions, the conclusion, the summary and verdict of repeated runs.
QString runsAsText(const Session &session, const RunOutcome &outcome)
{
    std::string text;
    {
        Output out(text);
        WriteConditionsText(session.before, out);
        if (session.runs.size() > 1)
            for (std::size_t i = 1; i <= session.runs.size(); ++i) {
                const Session upTo{session.before, session.after, {session.runs.begin(), session.runs.begin() + i}};
                WriteRunLineText(upTo, out);
            }
        RunOutcome unsaved = outcome; // the line is saved after the page is written
        unsaved.saved.reset();
        WriteConclusionText(session, unsaved, out);
        out.flush();
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString kernelsTable(const Session &session)
{
    QString html = QStringLiteral("<table><tr><th>%1</th>").arg(RunColumn());
    for (int k = 1; k <= 8; ++k)
        html += QStringLiteral("<th>%1</th>").arg(KernelColumn(k));
    html += QStringLiteral("<th>%1</th><th>%2</th><th>%3</th></tr>\n")
                .arg(IntegerColumn(), FloatingColumn(), IndexColumn());
    for (std::size_t i = 0; i < session.runs.size(); ++i) {
        const TestRun &run = session.runs[i].test;
        html += QStringLiteral("<tr><td>%1</td>").arg(i + 1);
        for (const KernelTiming &kernel : run.kernels)
            html += QStringLiteral("<td>%1</td>").arg(FormatFloat(kernel.result));
        html += QStringLiteral("<td>%1</td><td>%2</td><td>%3</td></tr>\n")
                    .arg(FormatFloat(run.scores.entier), FormatFloat(run.scores.flottant),
                         FormatFloat(run.scores.indice));
    }
    return html + QStringLiteral("</table>\n");
}

const char *const style = "body{font-family:sans-serif;margin:2em;color:#000;background:#fff}"
                          "table{border-collapse:collapse}td,th{border:1px solid #888;padding:2px 6px;"
                          "text-align:right}table{margin-bottom:1em}caption{text-align:left;font-weight:bold}"
                          "pre{background:#f4f4f4;padding:1em}";

QString page(const chart::ChartModel &model, const PictureRequest &request)
{
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
        "<title>%2</title>\n<style>%1</style>\n</head>\n<body>\n")
                       .arg(QLatin1String(style), escaped(ReportTitle()));
    html += QStringLiteral("<h1>%1</h1>\n<p>%2<br>%3</p>\n")
                .arg(escaped(ReportTitle()),
                     escaped(VersionText().trimmed()).replace(QLatin1Char('\n'), QStringLiteral("<br>")),
                     escaped(DateLine(QDateTime::currentDateTime().toString(Qt::ISODate))));
    if (request.session && request.outcome) {
        html += QStringLiteral("<h2>%1</h2>\n").arg(escaped(RunsHeading())) + kernelsTable(*request.session);
        html += QStringLiteral("<h2>%1</h2>\n<pre>%2</pre>\n")
                    .arg(escaped(ConditionsHeading()), escaped(runsAsText(*request.session, *request.outcome)));
    } else if (request.coresJson) {
        html += ManyCoresSection(QByteArray::fromStdString(*request.coresJson));
        html += QStringLiteral("<p>%1</p>\n").arg(escaped(ManyCoresNotRanked()));
    } else {
        html += QStringLiteral("<p>%1</p>\n").arg(escaped(NoRunHere()));
    }
    html += QStringLiteral("<h2>%1</h2>\n<p id=\"rang\">%2</p>\n")
                .arg(escaped(RankHeading()),
                     escaped(model.machinePosition ? ThisMachine(RankSummary(model)) : RankSummary(model)));
    html += QStringLiteral("<h2>%1</h2>\n<p>%2</p>\n<figure id=\"graphique\">%3</figure>\n")
                .arg(escaped(StoredHeading()), escaped(chart::Description(model)), inlineSvg(chart::ChartSvg(model)));
    return html + QStringLiteral("</body>\n</html>\n");
}

} // namespace

void WriteReport(const QString &path, const chart::ChartModel &model, const PictureRequest &request)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(page(model, request).toUtf8()) < 0 || !file.commit())
        throw EWriteError(QStringLiteral("%1 : %2").arg(path, file.errorString()));
}

} // namespace tarvo::cli
