#include "cli/RunReport.h"

#include "cli/BuildInfo.h"
#include "cli/Json.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"

#include <QDateTime>

namespace tarvo::cli {

namespace {

const QString unknown = QStringLiteral("inconnu");

QString gigahertz(double hz)
{
    return hz > 0.0 ? Figure(hz / 1e9) + QStringLiteral(" GHz") : unknown;
}

QString column(const QString &text, int width)
{
    return text.rightJustified(width);
}

QString powerText(const std::optional<Power> &power)
{
    if (!power)
        return unknown;
    return *power == Power::Battery ? QStringLiteral("batterie") : QStringLiteral("secteur");
}

QString throttleText(const std::optional<std::uint64_t> &events)
{
    return events ? QString::number(*events) : unknown;
}

void writeKernels(const TestRun &test, Output &out)
{
    out << QStringLiteral("\nCalcul   temps moyen          résultat\n");
    for (std::size_t k = 0; k < test.kernels.size(); ++k)
        out << QStringLiteral("%1   %2 ms   %3 MCPS\n")
                   .arg(column(QString::number(k + 1), 6),
                        column(FormatFloat(test.kernels[k].averageTime * 1000.0f), 11),
                        column(FormatFloat(test.kernels[k].result), 10));
}

QString yesNo(const std::optional<bool> &flag, const char *yes, const char *no)
{
    return flag ? QString::fromUtf8(*flag ? yes : no) : unknown;
}

QString coreTypeText(CoreType type)
{
    switch (type) {
    case CoreType::Performance:
        return QStringLiteral("cœur de performance");
    case CoreType::Efficiency:
        return QStringLiteral("cœur d'efficacité");
    case CoreType::Unknown:
        break;
    }
    return QStringLiteral("type de cœur inconnu");
}

QString kilohertz(const std::optional<std::int64_t> &khz)
{
    return khz ? gigahertz(double(*khz) * 1e3) : unknown;
}

// "n° 1", "n° 0 puis 1" when the run moved.
QString cpuText(const RunConditions &run)
{
    if (run.cpuAfter < 0)
        return unknown;
    if (run.cpuBefore >= 0 && run.cpuBefore != run.cpuAfter)
        return QStringLiteral("n° %1 puis %2").arg(run.cpuBefore).arg(run.cpuAfter);
    return QStringLiteral("n° %1").arg(run.cpuAfter);
}

void writeRunConditionsText(const RunConditions &run, Output &out)
{
    out << QStringLiteral("  fréquence mesurée du processeur : %1 avant, %2 après\n")
               .arg(gigahertz(run.clockBeforeHz), gigahertz(run.clockAfterHz));
    out << QStringLiteral("  processeur du test : %1 (%2), fréquence maximale %3, actuelle %4\n")
               .arg(cpuText(run), coreTypeText(run.coreType), kilohertz(run.maxFrequencyKHz),
                    kilohertz(run.currentFrequencyKHz));
    out << QStringLiteral("  autre fil du même cœur : %1\n")
               .arg(run.siblingBusyPercent ? QStringLiteral("occupé à %1 %").arg(Figure(*run.siblingBusyPercent))
                                           : QStringLiteral("aucun ou inconnu"));
}

void writeSpread(const QString &name, const Spread &spread, Output &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %\n")
               .arg(name.leftJustified(18), column(Figure(spread.median), 10), column(Figure(spread.min), 10),
                    column(Figure(spread.max), 10), column(Figure(spread.variationPercent), 8));
}

// Whether every run computed right, in French: "résultat vérifié", or which
// kernels of which runs computed wrong.
void writeCheck(const Session &session, Output &out)
{
    if (AllValid(session)) {
        out << QStringLiteral("\nVérification : résultat vérifié (les calculs flottants 5 à 8 ont donné "
                              "exactement les valeurs attendues ; les calculs entiers 1 à 4 ne sont pas "
                              "vérifiés : lire leurs compteurs changerait ce qui est chronométré).\n");
        return;
    }
    for (std::size_t r = 0; r < session.runs.size(); ++r)
        if (!session.runs[r].test.valid())
            out << QStringLiteral("\nVérification : ÉCHEC%1.\n%2\n")
                       .arg(session.runs.size() > 1 ? QStringLiteral(" à l'essai %1").arg(r + 1) : QString(),
                            WrongComputation(session.runs[r].test));
}

} // namespace

void WriteConditionsText(const Conditions &c, Output &out)
{
    QString load = unknown;
    if (c.load)
        load = QStringLiteral("%1 (1 min), %2 (5 min), %3 (15 min)")
                   .arg(Figure((*c.load)[0]), Figure((*c.load)[1]), Figure((*c.load)[2]));
    out << QStringLiteral("CPU Tarvo 32 %1 (%2)\n").arg(ProgramVersion(), Architecture());
    out << QStringLiteral("Conditions avant le test :\n");
    out << QStringLiteral("  processeur : %1\n").arg(c.processor.value_or(unknown));
    out << QStringLiteral("  processeurs en service : %1\n").arg(c.cpus ? QString::number(*c.cpus) : unknown);
    out << QStringLiteral("  gouverneur de fréquence : %1\n").arg(c.governor.value_or(unknown));
    out << QStringLiteral("  alimentation : %1\n").arg(powerText(c.power));
    out << QStringLiteral("  charge moyenne : %1\n").arg(load);
    out << QStringLiteral("  limitations thermiques (compteurs) : %1\n").arg(throttleText(c.throttleCount));
    QString machine = unknown;
    if (c.virtualMachine)
        machine = !c.virtualMachine->present ? QStringLiteral("non")
                  : c.virtualMachine->name.isEmpty() ? QStringLiteral("oui")
                                                     : QStringLiteral("oui (%1)").arg(c.virtualMachine->name);
    out << QStringLiteral("  machine virtuelle : %1\n").arg(machine);
    out << QStringLiteral("  SMT (deux fils par cœur) : %1\n").arg(yesNo(c.smt, "actif", "inactif"));
    out << QStringLiteral("  turbo : %1\n").arg(yesNo(c.turbo, "permis", "interdit"));
    out << QStringLiteral("Test en cours : huit calculs, cinq répétitions chacun.\n");
    out.flush();
}

void WriteRunLineText(const Session &session, Output &out)
{
    if (session.runs.size() == 1)
        out << QStringLiteral("\nEssai      entier    flottant      indice   processeur   fréquence avant / après\n");
    const RunRecord &run = session.runs.back();
    out << QStringLiteral("%1  %2  %3  %4   %5   %6 / %7\n")
               .arg(column(QString::number(session.runs.size()), 5), column(FormatFloat(run.test.scores.entier), 10),
                    column(FormatFloat(run.test.scores.flottant), 10), column(FormatFloat(run.test.scores.indice), 10),
                    cpuText(run.conditions).leftJustified(10), gigahertz(run.conditions.clockBeforeHz),
                    gigahertz(run.conditions.clockAfterHz));
    out.flush();
}

void WriteConclusionText(const Session &session, const RunOutcome &outcome, Output &out)
{
    const std::vector<RunConditions> conditions = RunConditionsOf(session.runs);
    const bool repeated = session.runs.size() > 1;
    out << (repeated ? QStringLiteral("\nPendant les essais :\n") : QStringLiteral("\nPendant le test :\n"));
    if (!session.warmupRuns.empty())
        out << QStringLiteral("  échauffement : %1 essai(s) passé(s) d'abord et écarté(s)\n").arg(session.warmupRuns.size());
    if (!repeated)
        writeRunConditionsText(conditions[0], out);
    const auto moved = ClockMovePercent(conditions);
    out << QStringLiteral("  écart de la fréquence mesurée : %1\n").arg(moved ? Figure(*moved) + " %" : unknown);
    out << QStringLiteral("  limitations thermiques : %1\n").arg(throttleText(ThrottleEvents(conditions)));
    const QStringList warnings = Warnings(session.before, conditions);
    for (const QString &warning : warnings)
        out << warning << '\n';

    writeCheck(session, out);
    if (!repeated) {
        const TestRun &test = session.runs[0].test;
        writeKernels(test, out);
        out << QStringLiteral("\nRésultat entier   : %1 MCPS\n").arg(FormatFloat(test.scores.entier));
        out << QStringLiteral("Résultat flottant : %1 MCPS\n").arg(FormatFloat(test.scores.flottant));
        out << QStringLiteral("Indice            : %1\n").arg(FormatFloat(test.scores.indice));
    } else {
        const Summary summary = Summarize(session.runs);
        out << QStringLiteral("\nSur %1 essais           médiane        min        max        CV\n")
                   .arg(session.runs.size());
        writeSpread(QStringLiteral("Résultat entier"), summary.entier, out);
        writeSpread(QStringLiteral("Résultat flottant"), summary.flottant, out);
        writeSpread(QStringLiteral("Indice"), summary.indice, out);
        const QString cv = Figure(summary.indice.variationPercent);
        if (session.repeatAuto)
            out << QStringLiteral("Répétition automatique : %1 essais, %2.\n")
                       .arg(session.runs.size())
                       .arg(summary.stable ? QStringLiteral("CV de l'indice ramené à au plus 3 %")
                                           : QStringLiteral("CV de l'indice toujours au-dessus de 3 % après %1 essais")
                                                 .arg(AutoMostRuns));
        if (summary.stable) {
            out << QStringLiteral("Verdict : stable (CV de l'indice %1 %, au plus 3 %).\n").arg(cv);
        } else {
            const QStringList changes = Changes(session.before, session.after, conditions);
            out << QStringLiteral("Verdict : instable (CV de l'indice %1 %, plus de 3 %) ; %2.\n")
                       .arg(cv, changes.isEmpty()
                                    ? QStringLiteral("aucune des conditions relevées n'a changé pendant les essais")
                                    : QStringLiteral("a changé pendant les essais : ") + changes.join(QStringLiteral(", ")));
        }
    }

    const QString which = repeated && outcome.chosenRun
        ? QStringLiteral(" (l'essai %1, dont l'indice est la médiane)").arg(*outcome.chosenRun + 1)
        : QString();
    if (outcome.saved) {
        out << QStringLiteral("\nRésultat enregistré dans %1%2.\n")
                   .arg(QString::fromLocal8Bit(outcome.saved->resultsPath), which);
        QStringList added, present, failed;
        for (const HistoryStatus &history : outcome.saved->histories)
            (history.what == HistoryStatus::Added ? added
             : history.what == HistoryStatus::AlreadyThere ? present : failed) << history.file;
        if (!added.isEmpty())
            out << QStringLiteral("Ajouté aux historiques : %1.\n").arg(added.join(", "));
        if (!present.isEmpty())
            out << QStringLiteral("Déjà dans les historiques : %1.\n").arg(present.join(", "));
        if (!failed.isEmpty())
            out << QStringLiteral("Historiques non écrits : %1.\n").arg(failed.join(", "));
    }
    if (outcome.ranking)
        out << QStringLiteral("Rang%1 : %2.\n").arg(which, RankText(*outcome.ranking));
}

} // namespace tarvo::cli
