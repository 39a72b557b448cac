#include "cli/Compare.h"

#include "cli/BuildInfo.h"
#include "cli/CommandLine.h"
#include "cli/CommandTexts.h"
#include "cli/ConditionsTexts.h"
#include "cli/Json.h"
#include "cli/ReportTexts.h"

#include "core/Conversions.h"
#include "core/Errors.h"
#include "core/FileReading.h"
#include "core/Significance.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tarvo::cli {

namespace {

constexpr int unreadable = 1;
constexpr int notARunDocument = 2;

DocumentRefusal notOurs(const QString &file, const QString &why)
{
    return {notARunDocument, NotARunDocument(file, why)};
}

// The three results and what is said of each.
struct Measure {
    const char *key; // in the runs and in --compare's JSON
    ResultName name;
    std::vector<double> RunDocument::*values;
};
constexpr Measure measures[] = {{"index", ResultName::Index, &RunDocument::index},
                                {"integer", ResultName::Integer, &RunDocument::integer},
                                {"floating", ResultName::Floating, &RunDocument::floating}};

QString percent(double ratio)
{
    return Figure(100.0 * (ratio - 1.0)) + QStringLiteral(" %");
}

QString verdictText(const Difference &d)
{
    if (!d.enoughRuns)
        return TooFewRuns();
    const QString interval = Interval(percent(d.low), percent(d.high));
    if (!d.significant)
        return NoDifference(percent(d.ratio), interval, Figure(d.pValue));
    const bool faster = d.ratio >= 1.0;
    return Significant(faster, percent(faster ? d.ratio : 1.0 / d.ratio), interval, Figure(d.pValue));
}

const char *verdictKey(const Difference &d)
{
    if (!d.enoughRuns)
        return "too_few_runs";
    if (!d.significant)
        return "no_difference";
    return d.ratio >= 1.0 ? "faster" : "slower";
}

QString member(const QJsonObject &object, const char *path)
{
    QJsonValue value = object;
    for (const QString &name : QString::fromLatin1(path).split(u'.'))
        value = value.toObject().value(name);
    if (value.isBool())
        return value.toBool() ? Yes() : No();
    if (value.isDouble())
        return Figure(value.toDouble());
    return value.isString() ? value.toString() : Unknown();
}

// The warnings a document carries from its run, each once.
QStringList ownWarnings(const RunDocument &d)
{
    QStringList warnings;
    for (const QJsonValue &w : d.root.value(QStringLiteral("warnings")).toArray())
        warnings << w.toString();
    warnings.removeDuplicates();
    return warnings;
}

} // namespace

std::variant<RunDocument, DocumentRefusal> ReadRunDocument(const std::string &path)
{
    RunDocument document;
    document.file = QString::fromLocal8Bit(path);
    QByteArray bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const Exception &e) {
        return DocumentRefusal{unreadable, Prefixed(QString::fromUtf8(e.what()))};
    }
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return notOurs(document.file, BadJsonAt(error.offset, error.errorString()));
    document.root = json.object();
    if (document.root.value(QStringLiteral("program")).toString() != QLatin1String(ProgramName))
        return notOurs(document.file, NotFromThisProgram());
    const QJsonValue runs = document.root.value(QStringLiteral("runs"));
    if (!runs.isArray())
        return notOurs(document.file, NoRunsList());
    for (const QJsonValue &run : runs.toArray()) {
        const QJsonObject fields = run.toObject();
        for (const Measure &m : measures)
            if (!fields.value(QLatin1String(m.key)).isDouble())
                return notOurs(document.file, RunLacks(QLatin1String(m.key)));
        // A run that computed wrong measured nothing worth comparing.
        if (fields.value(QStringLiteral("valid")) == QJsonValue(false)) {
            ++document.invalidRuns;
            continue;
        }
        for (const Measure &m : measures)
            (document.*m.values).push_back(fields.value(QLatin1String(m.key)).toDouble());
    }
    return document;
}

QStringList DocumentWarnings(const RunDocument &a, const RunDocument &b)
{
    QStringList warnings;
    const QString idA = member(a.root, "machine_id"), idB = member(b.root, "machine_id");
    if (idA != idB || idA == Unknown())
        warnings << DifferentMachines(idA, idB);
    for (const ComparedFact &fact : ComparedFacts)
        if (const QString x = member(a.root, fact.path), y = member(b.root, fact.path); x != y)
            warnings << FactDiffers(fact.name, x, y);
    const QStringList ofA = ownWarnings(a), ofB = ownWarnings(b);
    for (const RunDocument *d : {&a, &b}) {
        if (d->invalidRuns > 0)
            warnings << InvalidRunsLeftOut(d->invalidRuns, d->file);
        const bool isA = d == &a;
        // A warning both documents carry is said once, for both.
        for (const QString &w : isA ? ofA : ofB)
            if (isA || !ofA.contains(w))
                warnings << QStringLiteral("%1 (%2)").arg(w, !isA ? QStringLiteral("B")
                                                             : ofB.contains(w) ? BothDocuments()
                                                                               : QStringLiteral("A"));
    }
    return warnings;
}

int CompareMode(const std::vector<std::string> &files, bool json, Output &out)
{
    if (files.size() != 2) {
        Say(CompareTakesTwo(files.size()));
        return ExitUsage;
    }
    std::vector<RunDocument> documents;
    for (const std::string &path : files) {
        auto read = ReadRunDocument(path);
        if (const DocumentRefusal *refusal = std::get_if<DocumentRefusal>(&read)) {
            Say(refusal->message);
            return refusal->status;
        }
        documents.push_back(std::get<RunDocument>(std::move(read)));
    }
    const RunDocument &a = documents[0], &b = documents[1];
    const QStringList warnings = DocumentWarnings(a, b);
    if (!json) {
        out << CompareHeading(a.file, a.index.size(), b.file, b.index.size());
        for (const QString &warning : warnings)
            out << warning << '\n';
        out << CompareMethod();
        for (const Measure &m : measures)
            out << QStringLiteral("  %1 : %2.\n").arg(ResultTitle(m.name), verdictText(CompareRuns(a.*m.values, b.*m.values)));
        return 0;
    }
    JsonWriter writer(out);
    writer.beginObject().key("format_version").value(1).key("a").value(a.file).key("b").value(b.file);
    writer.newline().key("warnings").beginArray();
    for (const QString &warning : warnings)
        writer.value(warning);
    writer.endArray();
    for (const Measure &m : measures) {
        const Difference d = CompareRuns(a.*m.values, b.*m.values);
        writer.newline().key(m.key).beginObject();
        writer.key("runs_a").value(std::int64_t((a.*m.values).size())).key("runs_b").value(std::int64_t((b.*m.values).size()));
        writer.key("ratio").value(d.ratio).key("low").value(d.low).key("high").value(d.high);
        writer.key("p_value").value(d.pValue).key("verdict").value(verdictKey(d)).key("text").value(verdictText(d));
        writer.endObject();
    }
    writer.endObject().newline();
    return 0;
}

} // namespace tarvo::cli
