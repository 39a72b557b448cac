#include "cli/ReportTexts.h"

#include "cli/ConditionsTexts.h"

#include "core/Conversions.h"

namespace tarvo::cli {

QString ResultTitle(ResultName name)
{
    switch (name) {
    case ResultName::Integer:
        return QStringLiteral("Résultat entier");
    case ResultName::Floating:
        return QStringLiteral("Résultat flottant");
    case ResultName::Index:
        break;
    }
    return QStringLiteral("Indice");
}

QString KernelsHeading()
{
    return QStringLiteral("\nCalcul   temps moyen          résultat\n");
}

QString RunsHeading()
{
    return QStringLiteral("\nEssai      entier    flottant      indice   processeur   fréquence avant / après\n");
}

QString DuringRuns(bool repeated)
{
    return repeated ? QStringLiteral("\nPendant les essais :\n") : QStringLiteral("\nPendant le test :\n");
}

QString WarmupLine(std::size_t runs)
{
    return QStringLiteral("  échauffement : %1 essai(s) passé(s) d'abord et écarté(s)\n").arg(runs);
}

QString ClockSpreadLine(const std::optional<double> &movedPercent)
{
    return QStringLiteral("  écart de la fréquence mesurée : %1\n")
        .arg(movedPercent ? Figure(*movedPercent) + " %" : Unknown());
}

QString ThrottleEventsLine(const std::optional<std::uint64_t> &events)
{
    return QStringLiteral("  limitations thermiques : %1\n").arg(events ? QString::number(*events) : Unknown());
}

QString CheckPassed()
{
    return QStringLiteral("\nVérification : résultat vérifié (les calculs flottants 5 à 8 ont donné "
                          "exactement les valeurs attendues ; les calculs entiers 1 à 4 ne sont pas "
                          "vérifiés : lire leurs compteurs changerait ce qui est chronométré).\n");
}

QString CheckFailed(const std::optional<std::size_t> &run, const QString &wrong)
{
    return QStringLiteral("\nVérification : ÉCHEC%1.\n%2\n")
        .arg(run ? QStringLiteral(" à l'essai %1").arg(*run) : QString(), wrong);
}

QString ResultLines(const Scores &scores)
{
    return QStringLiteral("\nRésultat entier   : %1 MCPS\n").arg(FormatFloat(scores.entier)) +
           QStringLiteral("Résultat flottant : %1 MCPS\n").arg(FormatFloat(scores.flottant)) +
           QStringLiteral("Indice            : %1\n").arg(FormatFloat(scores.indice));
}

QString SpreadHeading(std::size_t runs)
{
    return QStringLiteral("\nSur %1 essais           médiane        min        max        CV\n").arg(runs);
}

QString AutoRepeatLine(std::size_t runs, bool stable, int mostRuns)
{
    return QStringLiteral("Répétition automatique : %1 essais, %2.\n")
        .arg(runs)
        .arg(stable ? QStringLiteral("CV de l'indice ramené à au plus 3 %")
                    : QStringLiteral("CV de l'indice toujours au-dessus de 3 % après %1 essais").arg(mostRuns));
}

QString StableVerdict(const QString &cv)
{
    return QStringLiteral("Verdict : stable (CV de l'indice %1 %, au plus 3 %).\n").arg(cv);
}

QString UnstableVerdict(const QString &cv, const QStringList &changes)
{
    return QStringLiteral("Verdict : instable (CV de l'indice %1 %, plus de 3 %) ; %2.\n")
        .arg(cv, changes.isEmpty() ? QStringLiteral("aucune des conditions relevées n'a changé pendant les essais")
                                   : QStringLiteral("a changé pendant les essais : ") + changes.join(QStringLiteral(", ")));
}

QString MedianRun(std::size_t run)
{
    return QStringLiteral(" (l'essai %1, dont l'indice est la médiane)").arg(run);
}

QString SavedLine(const QString &resultsPath, const QString &which)
{
    return QStringLiteral("\nRésultat enregistré dans %1%2.\n").arg(resultsPath, which);
}

QString HistoriesAdded(const QStringList &files)
{
    return QStringLiteral("Ajouté aux historiques : %1.\n").arg(files.join(QStringLiteral(", ")));
}

QString HistoriesPresent(const QStringList &files)
{
    return QStringLiteral("Déjà dans les historiques : %1.\n").arg(files.join(QStringLiteral(", ")));
}

QString HistoriesFailed(const QStringList &files)
{
    return QStringLiteral("Historiques non écrits : %1.\n").arg(files.join(QStringLiteral(", ")));
}

QString RankLine(const QString &which, const QString &rank)
{
    return QStringLiteral("Rang%1 : %2.\n").arg(which, rank);
}

QString IndexRankLine(const QString &index, const QString &rank)
{
    return QStringLiteral("Rang de l'indice %1 : %2.\n").arg(index, rank);
}

QString ThreadsFigureName(ThreadsFigure figure)
{
    switch (figure) {
    case ThreadsFigure::SingleIndex:
        return QStringLiteral("Indice sur un cœur");
    case ThreadsFigure::MultiIndex:
        return QStringLiteral("Indice multi-cœurs (somme)");
    case ThreadsFigure::MultiIndexByWall:
        return QStringLiteral("Indice multi (durée réelle)");
    case ThreadsFigure::Scaling:
        return QStringLiteral("Mise à l'échelle");
    case ThreadsFigure::Efficiency:
        break;
    }
    return QStringLiteral("Efficacité");
}

QString ThreadsPlan(int threads, bool pinned)
{
    return QStringLiteral("Sur un cœur, puis sur %1 fil(s) d'exécution à la fois%2.\n")
        .arg(threads)
        .arg(pinned ? QStringLiteral(", chacun attaché à son processeur")
                    : QStringLiteral(", sans les attacher à un processeur"));
}

QString UnpinnedCpu()
{
    return QStringLiteral("libre");
}

QStringList RoundHeadings(int round)
{
    return {QStringLiteral("Essai %1").arg(round), QStringLiteral("processeur"), QStringLiteral("entier"),
            QStringLiteral("flottant"), QStringLiteral("indice"), QStringLiteral("temps CPU"),
            QStringLiteral("durée")};
}

QString SingleCoreRow()
{
    return QStringLiteral("Un cœur, juste avant");
}

QString ThreadRow(std::size_t thread)
{
    return QStringLiteral("Fil %1").arg(thread);
}

QString MultiSumRow()
{
    return QStringLiteral("Multi-cœurs (somme des fils)");
}

QString MultiByWallRow()
{
    return QStringLiteral("Multi-cœurs (durée réelle)");
}

QString ScalingLine(const QString &scaling, const QString &efficiencyPercent)
{
    return QStringLiteral("Mise à l'échelle : %1 (efficacité %2 %)\n").arg(scaling, efficiencyPercent);
}

QString DisturbedLine(const QString &singlePercent, const QString &multiPercent, const QString &stolen)
{
    QString line = QStringLiteral("Perturbé : sur la durée réelle, l'indice est inférieur de %1 % à celui des fils sur "
                                  "un cœur et de %2 % en multi-cœurs ; un autre programme, un quota de processeur ou "
                                  "l'hôte d'une machine virtuelle a pris du temps aux calculs")
                       .arg(singlePercent, multiPercent);
    if (!stolen.isEmpty())
        line += QStringLiteral(" (temps volé par l'hôte pendant le calcul multi-cœurs : %1)").arg(stolen);
    return line + QStringLiteral(".\n");
}

QString ThreadsSpreadHeading(std::size_t rounds)
{
    return QStringLiteral("\nSur %1 essais                 médiane        min        max        CV\n").arg(rounds);
}

QString PerCorePlan(std::size_t cpus, int repeat)
{
    return QStringLiteral("Le test sur chacun des %1 processeurs utilisables, tour à tour%2.\n")
        .arg(cpus)
        .arg(repeat > 1 ? QStringLiteral(", %1 fois").arg(repeat) : QString());
}

QString PerCoreRunLine(int cpu, const Scores &s)
{
    return QStringLiteral("  processeur %1 : entier %2, flottant %3, indice %4\n")
        .arg(cpu)
        .arg(FormatFloat(s.entier), FormatFloat(s.flottant), FormatFloat(s.indice));
}

QString CoreKind(CoreType type)
{
    switch (type) {
    case CoreType::Performance: return QStringLiteral("performance");
    case CoreType::Efficiency: return QStringLiteral("efficacité");
    case CoreType::Unknown: break;
    }
    return QStringLiteral("unique");
}

QString NoSibling()
{
    return QStringLiteral("aucun");
}

QString PerCoreHeading()
{
    return QStringLiteral("\nCPU  type          grappe  jumeau SMT  fréq. max  fréq. mesurée      entier    flottant"
                          "      indice\n");
}

QString SlowHeading()
{
    return QStringLiteral("\n* plus de 10 % sous la médiane de l'indice de son type :\n");
}

QString SlowLine(int cpu, const QStringList &reasons)
{
    return QStringLiteral("  processeur %1 : %2\n").arg(cpu).arg(reasons.join(QStringLiteral(" ; ")));
}

QString KindLine(CoreType kind, std::size_t cpus, const QString &median, const QString &spreadPercent)
{
    return QStringLiteral("Type %1 : %2 processeur(s), indice médian %3, écart du plus lent au plus rapide %4 %\n")
        .arg(CoreKind(kind))
        .arg(cpus)
        .arg(median, spreadPercent);
}

QString NoSlowCore()
{
    return QStringLiteral("Aucun processeur à plus de 10 % sous la médiane de son type.\n");
}

QString LowerMaxFrequency(const QString &own, const QString &highest)
{
    return QStringLiteral("fréquence maximale plus basse (%1 contre %2)").arg(own, highest);
}

QString LowerClock(const QString &clock, const QString &median)
{
    return QStringLiteral("fréquence mesurée plus basse (%1 contre %2 en médiane)").arg(clock, median);
}

QString ThrottledReason()
{
    return QStringLiteral("limitation thermique pendant son test");
}

QString UnknownReason()
{
    return QStringLiteral("cause inconnue");
}

QString TooFewRuns()
{
    return QStringLiteral("trop peu d'essais pour conclure (au moins 4 de chaque côté, ou 3 contre 5)");
}

QString Interval(const QString &low, const QString &high)
{
    return QStringLiteral("(intervalle à 95 % : %1 à %2)").arg(low, high);
}

QString NoDifference(const QString &ratio, const QString &interval, const QString &p)
{
    return QStringLiteral("aucune différence mesurable : %1 %2, p = %3").arg(ratio, interval, p);
}

QString Significant(bool faster, const QString &by, const QString &interval, const QString &p)
{
    return QStringLiteral("B est plus %1 de %2 %3, différence significative (p = %4)")
        .arg(faster ? QStringLiteral("rapide") : QStringLiteral("lent"), by, interval, p);
}

QString DifferentMachines(const QString &a, const QString &b)
{
    return QStringLiteral("Attention : les deux documents viennent de machines différentes, ou l'un ne dit "
                          "pas de quelle machine il vient (%1, %2).")
        .arg(a, b);
}

QString FactDiffers(const char *name, const QString &a, const QString &b)
{
    return QStringLiteral("Attention : %1 diffère (A : %2, B : %3).").arg(QString::fromUtf8(name), a, b);
}

QString InvalidRunsLeftOut(int runs, const QString &file)
{
    return QStringLiteral("Attention : %1 essai(s) de %2 ont calculé faux et sont écartés.").arg(runs).arg(file);
}

QString BothDocuments()
{
    return QStringLiteral("A et B");
}

QString CompareHeading(const QString &a, std::size_t runsA, const QString &b, std::size_t runsB)
{
    return QStringLiteral("A : %1 (%2 essais)\nB : %3 (%4 essais)\n").arg(a).arg(runsA).arg(b).arg(runsB);
}

QString CompareMethod()
{
    return QStringLiteral("Rapport de B à A, test de Mann-Whitney, intervalle par rééchantillonnage des médianes :\n");
}

} // namespace tarvo::cli
