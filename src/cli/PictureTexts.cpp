#include "cli/PictureTexts.h"

namespace tarvo::cli::pictures {

QString ReportTitle() { return QStringLiteral("CPU Tarvo 32 : rapport"); }
QString DateLine(const QString &date) { return QStringLiteral("Date : %1").arg(date); }
QString RunsHeading() { return QStringLiteral("Essais"); }
QString ConditionsHeading() { return QStringLiteral("Conditions, résumé et verdict"); }
QString NoRunHere() { return QStringLiteral("Aucun test passé : les résultats enregistrés seulement."); }
QString RankHeading() { return QStringLiteral("Rang"); }
QString ThisMachine(const QString &rank) { return QStringLiteral("Cette machine : ") + rank; }
QString StoredHeading() { return QStringLiteral("Résultats enregistrés"); }

QString RunColumn() { return QStringLiteral("Essai"); }
QString KernelColumn(int kernel) { return QStringLiteral("Calcul %1").arg(kernel); }
QString IntegerColumn() { return QStringLiteral("Entier"); }
QString FloatingColumn() { return QStringLiteral("Flottant"); }
QString IndexColumn() { return QStringLiteral("Indice"); }

QString ThreadsHeading(int threads, bool pinned)
{
    return QStringLiteral("Tous les cœurs : %1 fil(s) d'exécution à la fois, %2")
        .arg(threads)
        .arg(pinned ? QStringLiteral("chacun attaché à son processeur") : QStringLiteral("sans processeur attaché"));
}
QString CpuColumn() { return QStringLiteral("Processeur"); }
QString DisturbedNote()
{
    return QStringLiteral("Perturbé : sur la durée réelle, l'indice est inférieur à celui des fils ; un autre "
                          "programme, un quota de processeur ou l'hôte d'une machine virtuelle a pris du temps "
                          "aux calculs.");
}
QString MediansCaption(int rounds) { return QStringLiteral("Sur %1 essais").arg(rounds); }
QString MedianColumn() { return QStringLiteral("Médiane"); }

QString EachCpuHeading() { return QStringLiteral("Chaque processeur tour à tour"); }
QString ClusterColumn() { return QStringLiteral("Grappe"); }
QString TypeColumn() { return QStringLiteral("Type"); }
QString SiblingsColumn() { return QStringLiteral("Jumeaux SMT"); }
QString MaxFrequencyColumn() { return QStringLiteral("Fréquence maximale"); }
QString MarkColumn() { return QStringLiteral("Marque"); }

QString ManyCoresNotRanked()
{
    return QStringLiteral("Les chiffres de plusieurs cœurs ne sont pas classés : TARVODAT.TXT ne tient que des "
                          "résultats d'un seul cœur chacun.");
}

} // namespace tarvo::cli::pictures
