#include "cli/CommandTexts.h"

#include "cli/CommandLine.h"

namespace tarvo::cli {

namespace {

QString quoted(const QString &text)
{
    return QStringLiteral("« %1 »").arg(text);
}

// "a", "a et b", "a, b et c".
QString enumeration(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" et ") + items.last();
}

} // namespace

QString Prefixed(const QString &message)
{
    return QStringLiteral("zurezive : ") + message;
}

QString HelpIntroduction()
{
    return QStringLiteral(
        "Usage : zurezive [OPTION]...\n"
        "Sans option, ou avec les seules options de Qt (-platform, -style...), ouvre les fenêtres.\n"
        "Les options ci-dessous travaillent sans fenêtre ni affichage, dans le dossier courant.\n");
}

QString HelpHeading(HelpSection section)
{
    switch (section) {
    case HelpSection::Test:
        return QStringLiteral("Tester :");
    case HelpSection::Cores:
        return QStringLiteral("Tous les cœurs (avec --repeat et --json ; rien n'est enregistré ni classé) :");
    case HelpSection::View:
        return QStringLiteral("Consulter :");
    case HelpSection::Gather:
        return QStringLiteral("Rassembler :");
    case HelpSection::General:
        break;
    }
    return {};
}

QString HelpExitStatuses()
{
    return QStringLiteral("Codes de sortie : %1 réussite ; %2 fichier illisible ou impossible à écrire, ou test\n"
                          "interrompu ; %3 ligne de commande incorrecte ; %4 description refusée par --save,\n"
                          "ou fusion entièrement refusée par --merge.\n"
                          "Voir aussi : man zurezive\n")
        .arg(ExitSuccess)
        .arg(ExitFailure)
        .arg(ExitUsage)
        .arg(ExitRefused);
}

QString UsageRefused(const QString &why)
{
    return Prefixed(QStringLiteral("%1 Essayez « zurezive --help ».").arg(why));
}

QString OnlyForWindows(const QString &argument)
{
    return UsageRefused(QStringLiteral("l'option %1 ne sert qu'aux fenêtres et ne s'emploie pas avec les autres "
                                       "options.")
                            .arg(quoted(argument)));
}

QString ValueMissing(const QString &option)
{
    return UsageRefused(QStringLiteral("l'option %1 attend une valeur.").arg(quoted(option)));
}

QString NoValueTaken(const QString &option)
{
    return UsageRefused(QStringLiteral("l'option %1 ne prend pas de valeur.").arg(quoted(option)));
}

QString UnknownOption(const QString &argument)
{
    return UsageRefused(QStringLiteral("option inconnue ou ambiguë %1.").arg(quoted(argument)));
}

QString UnexpectedArgument(const QString &argument)
{
    return UsageRefused(QStringLiteral("argument inattendu %1.").arg(quoted(argument)));
}

QString BadPictureName(const QString &option, const QString &value, const QString &endings)
{
    return UsageRefused(QStringLiteral("le nom donné à %1 doit finir par %2, pas %3.").arg(option, endings, quoted(value)));
}

QString BadRepeatCount(const QString &value)
{
    return UsageRefused(
        QStringLiteral("la valeur de --repeat doit être un nombre entier de 1 à 100, pas %1.").arg(quoted(value)));
}

QString IndexOutOfRange(const QString &value)
{
    return UsageRefused(QStringLiteral("la valeur de --index doit tenir dans la largeur d'un indice enregistré, de "
                                       "-99999999.99 à 999999999.99, pas %1.")
                            .arg(quoted(value)));
}

QString BadWarmupCount(const QString &value)
{
    return UsageRefused(
        QStringLiteral("la valeur de --warmup doit être un nombre entier de 0 à 10, pas %1.").arg(quoted(value)));
}

QString BadCpuNumber(const QString &value)
{
    return UsageRefused(QStringLiteral("la valeur de --cpu doit être le numéro d'un processeur, pas %1.").arg(quoted(value)));
}

QString CpuNotAllowed(int cpu, const QString &allowed)
{
    return UsageRefused(QStringLiteral("le processeur n° %1 n'est pas de ceux que ce programme peut utiliser (%2).")
                            .arg(cpu)
                            .arg(allowed));
}

QString RepeatAutoOnlyForRun()
{
    return UsageRefused(QStringLiteral("--repeat=auto ne va qu'avec --run."));
}

QString BadIndexValue(const QString &value)
{
    return UsageRefused(QStringLiteral("la valeur de --index doit être un nombre écrit avec un point décimal, pas %1.")
                            .arg(quoted(value)));
}

QString ModesTogether(const QString &first, const QString &second)
{
    return UsageRefused(
        QStringLiteral("les options « %1 » et « %2 » ne s'emploient pas ensemble.").arg(first, second));
}

QString NoAction()
{
    return UsageRefused(QStringLiteral("aucune action demandée (--run, --list, --rank --index, --merge, --threads, "
                                       "--per-core)."));
}

QString OptionsNeed(const QStringList &options, const QString &needed, const QString &because)
{
    return UsageRefused(QStringLiteral("%1 %2 avec %3%4.")
                            .arg(enumeration(options),
                                 options.size() > 1 ? QStringLiteral("s'emploient") : QStringLiteral("s'emploie"),
                                 needed, because.isEmpty() ? QString() : QStringLiteral(" : ") + because));
}

QString OneCoreResults(const QString &mode)
{
    return QStringLiteral("%1 mesure plusieurs cœurs, et TARVODAT.TXT ne tient que des résultats de --run, "
                          "d'un seul cœur chacun")
        .arg(mode);
}

QString OptionDemands(const QString &option, const QStringList &oneOf)
{
    return UsageRefused(QStringLiteral("%1 demande %2.").arg(option, Alternatives(oneOf)));
}

QString FilesExpected(const QString &option)
{
    return UsageRefused(QStringLiteral("%1 attend au moins un fichier.").arg(option));
}

QString ChooseOne(const QString &first, const QString &second)
{
    return UsageRefused(QStringLiteral("choisissez %1 ou %2, pas les deux.").arg(first, second));
}

QString WithValue(const QString &option)
{
    return option + QStringLiteral(" VALEUR");
}

QString DescriptionRefused(const QString &why)
{
    return Prefixed(QStringLiteral("description refusée : %1 Rien n'a été enregistré.").arg(why));
}

QString ValueRefused(const QString &option, const QString &reason)
{
    return QStringLiteral("%1 : %2").arg(option, reason);
}

QString RuleRefused(const QString &option, const QString &rule)
{
    return QStringLiteral("%1 (%2).").arg(rule, option);
}

QString MergeSummary(const QString &resultsPath, std::int64_t added, std::int64_t present, std::int64_t refused)
{
    return QStringLiteral("%1 : %2 ligne(s) ajoutée(s), %3 déjà présente(s), %4 refusée(s).\n")
        .arg(resultsPath)
        .arg(added)
        .arg(present)
        .arg(refused);
}

QString RefusedLines(const QString &file, std::int64_t first, std::int64_t last, const QString &reason)
{
    const QString sentence = reason.endsWith(u'.') ? reason : reason + u'.';
    if (first == last)
        return QStringLiteral("  %1, ligne %2 refusée : %3\n").arg(file).arg(first).arg(sentence);
    return QStringLiteral("  %1, lignes %2 à %3 refusées : %4\n").arg(file).arg(first).arg(last).arg(sentence);
}

QString RefusedFile(const QString &file, const QString &reason)
{
    return QStringLiteral("%1 : aucune de ses lignes n'a été prise : %2.").arg(file, reason);
}

QString EveryLineRefused()
{
    return QStringLiteral("toutes les lignes données ont été refusées : rien n'a été ajouté.");
}

QString BadThreadCount(const QString &value)
{
    return QStringLiteral("la valeur de --threads doit être un nombre entier ou « all », pas %1.").arg(quoted(value));
}

QString TooFewThreads(int count)
{
    return QStringLiteral("--threads demande au moins 1 fil d'exécution, pas %1.").arg(count);
}

QString TooManyThreads(const QString &value, int usable)
{
    return QStringLiteral("--threads %1 dépasse les %2 processeurs que ce programme peut utiliser "
                          "(« --threads all » les prend tous).")
        .arg(value)
        .arg(usable);
}

QString CompareTakesTwo(std::size_t given)
{
    return UsageRefused(QStringLiteral("--compare compare deux documents, pas %1.").arg(given));
}

QString NotARunDocument(const QString &file, const QString &why)
{
    return Prefixed(QStringLiteral("%1 n'est pas un document de --run --json : %2.").arg(file, why));
}

QString BadJsonAt(qint64 offset, const QString &error)
{
    return QStringLiteral("JSON incorrect à l'octet %1 (%2)").arg(offset).arg(error);
}

QString NotFromThisProgram()
{
    return QStringLiteral("il ne vient pas de ce programme");
}

QString NoRunsList()
{
    return QStringLiteral("il n'a pas de liste d'essais « runs »");
}

QString RunLacks(const QString &key)
{
    return QStringLiteral("un essai n'a pas de valeur %1").arg(quoted(key));
}

QString Alternatives(const QStringList &options)
{
    return options.join(QStringLiteral(" ou "));
}

QString VersionLines(const QString &version, const QString &architecture, const QString &compiler)
{
    return QStringLiteral("CPU Tarvo 32 (zurezive) %1\nArchitecture : %2\nCompilateur : %3\n")
        .arg(version, architecture, compiler);
}

QString UnknownArchitecture()
{
    return QStringLiteral("inconnue");
}

QString UnknownCompiler()
{
    return QStringLiteral("inconnu");
}

} // namespace tarvo::cli
