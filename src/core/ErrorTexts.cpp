#include "core/ErrorTexts.h"

#include "core/SpeedTest.h"

#include <QLocale>

#include <cerrno>

namespace tarvo {

namespace {

QString shown(const std::string &path)
{
    return QString::fromLocal8Bit(path);
}

} // namespace

QString SystemReason(int error)
{
    // glibc's own French texts for the errors a data file can meet here; the
    // desktop's language may be any other, and its messages with it.
    switch (error) {
    case NotARegularFile:
        return QStringLiteral("ce n'est pas un fichier ordinaire (tube, périphérique ou socket)");
    case FileLocked:
        return QStringLiteral("un autre programme le garde verrouillé");
    case PlantedLink:
        return QStringLiteral("c'est un lien symbolique posé par un autre utilisateur dans un dossier "
                              "partagé, qui n'est pas suivi");
    case ENOENT: return QStringLiteral("Aucun fichier ou dossier de ce type");
    case EACCES: return QStringLiteral("Permission non accordée");
    case EPERM: return QStringLiteral("Opération non permise");
    case ENOSPC: return QStringLiteral("Aucun espace disponible sur le périphérique");
    case EDQUOT: return QStringLiteral("Débordement du quota d'espace disque");
    case EFBIG: return QStringLiteral("Fichier trop gros");
    case EIO: return QStringLiteral("Erreur d'entrée/sortie");
    case EISDIR: return QStringLiteral("Est un dossier");
    case ENOTDIR: return QStringLiteral("N'est pas un dossier");
    case EROFS: return QStringLiteral("Système de fichiers accessible en lecture seulement");
    case ENAMETOOLONG: return QStringLiteral("Nom de fichier trop long");
    case ELOOP: return QStringLiteral("Trop de niveaux de liens symboliques");
    case EMFILE: return QStringLiteral("Trop de fichiers ouverts");
    case ENFILE: return QStringLiteral("Trop de fichiers ouverts dans le système");
    case ENOMEM: return QStringLiteral("Ne peut allouer de la mémoire");
    case EBUSY: return QStringLiteral("Périphérique ou ressource occupé");
    case ETXTBSY: return QStringLiteral("Fichier texte occupé");
    case EAGAIN: return QStringLiteral("Ressource temporairement non disponible");
    case EINTR: return QStringLiteral("Appel système interrompu");
    case EINVAL: return QStringLiteral("Argument invalide");
    case ESTALE: return QStringLiteral("Panne d'accès au fichier");
    case ENXIO: return QStringLiteral("Aucun périphérique ou adresse");
    case ENODEV: return QStringLiteral("Aucun périphérique de ce type");
    case EOVERFLOW: return QStringLiteral("Valeur trop grande pour le type défini de données");
    case ENOLCK: return QStringLiteral("Aucun verrou disponible");
    case EBADF: return QStringLiteral("Mauvais descripteur de fichier");
    case EPIPE: return QStringLiteral("Relais brisé (pipe)");
    default: return QStringLiteral("erreur système n° %1").arg(error);
    }
}

QString CannotOpen(const std::string &path, int error)
{
    return QStringLiteral("Impossible d'ouvrir le fichier « %1 » : %2.").arg(shown(path), SystemReason(error));
}

QString CannotRead(const std::string &path, int error)
{
    return QStringLiteral("Impossible de lire le fichier « %1 » : %2.").arg(shown(path), SystemReason(error));
}

QString WaitingForLockText(const std::string &path)
{
    return QStringLiteral("le fichier « %1 » est verrouillé par un autre programme qui y écrit (un ajout ou une "
                          "fusion) ; attente de la fin de son écriture (Ctrl+C pour abandonner)…")
        .arg(shown(path));
}

QString TooLargeToMerge(std::uint64_t size, std::uint64_t budget)
{
    return QStringLiteral("Les fichiers à fusionner (%1 Mo) sont trop grands pour la mémoire disponible (%2 Mo) : "
                          "rien n'a été ajouté.")
        .arg(size >> 20)
        .arg(budget >> 20);
}

QString TooLargeToShow(const std::string &path, std::uint64_t budget)
{
    return QStringLiteral("Le fichier « %1 » est trop grand pour être affiché avec la mémoire disponible (%2 Mo).")
        .arg(shown(path))
        .arg(budget >> 20);
}

QString NoMemoryToShow(const std::string &path)
{
    return QStringLiteral("Mémoire insuffisante pour afficher le fichier « %1 ».").arg(shown(path));
}

QString TooManyLinesToShow(const std::string &path)
{
    return QStringLiteral("Le fichier « %1 » a trop de lignes pour être affiché.").arg(shown(path));
}

QString CannotWrite(const std::string &path, int error, std::int64_t kept, bool whole, bool otherWriter,
                    int cutError)
{
    QString message =
        QStringLiteral("Impossible d'écrire dans le fichier « %1 » : %2.").arg(shown(path), SystemReason(error));
    if (kept <= 0)
        return message;
    const QString why = otherWriter ? QStringLiteral("un autre programme a écrit dans le fichier entre-temps")
                                    : SystemReason(cutError);
    if (whole)
        return message
            + QStringLiteral(" La ligne y a cependant été écrite en entier et n'a pas pu en être retirée : %1.")
                  .arg(why);
    return message
        + QStringLiteral(" Son début (%1 octets) y a été écrit et n'a pas pu en être retiré : %2 ; la "
                         "prochaine ligne commencera sur une ligne à part.")
              .arg(kept)
              .arg(why);
}

QString HistoryNotWritten(const QString &why)
{
    return QStringLiteral("Le résultat est enregistré, mais l'historique ne l'est pas : ") + why;
}

QString SavedDespiteOutput(const std::string &path)
{
    return QStringLiteral("le résultat est pourtant enregistré dans %1 : ne l'enregistrez pas une seconde fois.")
        .arg(shown(path));
}

QString TooLong(qsizetype length, qsizetype longest)
{
    const QLocale french(QLocale::French);
    return QStringLiteral("Le texte donné compte %1 caractères : une description en compte au plus %2. Il n'a pas "
                          "été pris.")
        .arg(french.toString(qlonglong(length)), french.toString(qlonglong(longest)));
}

QString LineBreakIn(const QString &text)
{
    return QStringLiteral("Le texte « %1 » contient un retour à la ligne, qui ne peut pas être enregistré dans les "
                          "fichiers de données.")
        .arg(QString(text).replace(u'\r', u' ').replace(u'\n', u' '));
}

QString NotDescribed(const QString &what, const QString &marker)
{
    return QStringLiteral("%1 ne doit être ni vide ni « %2 »").arg(what, marker);
}

QString FrequencyBelowOne(const QString &what)
{
    return QStringLiteral("%1 doit valoir au moins 1").arg(what);
}

QString NegativeResult()
{
    return QStringLiteral("un résultat est négatif");
}

QString NotAResultsLine()
{
    return QStringLiteral("ce n'est pas une ligne de résultats telle que le programme l'écrit (trois nombres, "
                          "la description, CR LF)");
}

QString NoLineEnd()
{
    return QStringLiteral("la dernière ligne n'a pas de fin de ligne (une écriture interrompue ?)");
}

QString NotCrLf()
{
    return QStringLiteral("la ligne finit par LF seul, pas par CR LF");
}

QString CarriageReturnInside()
{
    return QStringLiteral("la ligne contient un retour chariot (CR) avant sa fin");
}

QString FileInUtf8()
{
    return QStringLiteral("le fichier est écrit en UTF-8, alors que les fichiers de résultats sont en Windows-1252 "
                          "(iconv -f UTF-8 -t WINDOWS-1252 le convertit)");
}

QString FileWithLfEnds()
{
    return QStringLiteral("les lignes du fichier finissent par LF seul, alors que celles des fichiers de résultats "
                          "finissent par CR LF");
}

QString ControlCharacterIn(const QString &text, QChar control)
{
    QString shown;
    for (const QChar c : text)
        shown += c.category() == QChar::Other_Control ? u'?' : c;
    return QStringLiteral("Le texte « %1 » contient un caractère de commande (U+%2), qui ne peut pas être enregistré "
                          "dans les fichiers de données.")
        .arg(shown, QString::number(control.unicode(), 16).toUpper().rightJustified(4, u'0'));
}

QString NotInCodePage(const QString &text, const QString &character)
{
    const char32_t code = character.isEmpty() ? 0 : character.toUcs4().value(0);
    return QStringLiteral("Le texte « %1 » contient le caractère « %2 » (U+%3), qui ne peut pas être enregistré "
                          "dans les fichiers de données (Windows-1252).")
        .arg(text, character, QString::number(code, 16).toUpper().rightJustified(4, u'0'));
}

QString NotAWholeNumber(const QString &text)
{
    return QStringLiteral("« %1 » n'est pas un nombre entier valide.").arg(text);
}

QString TooFastToTime(int kernel)
{
    return QStringLiteral("Le calcul n° %1 a été trop rapide pour être chronométré (0 ms à chacune de ses cinq "
                          "répétitions). Le test est interrompu ; aucun résultat n'est enregistré.")
        .arg(kernel);
}

QString WrongComputation(const TestRun &run)
{
    const QLocale french(QLocale::French);
    QString text;
    for (std::size_t k = 0; k < run.kernels.size(); ++k) {
        const auto &check = run.kernels[k].check;
        if (check && !check->valid)
            text += QStringLiteral("Le calcul n° %1 a donné %2 au lieu de %3.\n")
                        .arg(k + 1)
                        .arg(french.toString(check->outcome, 'g', QLocale::FloatingPointShortest),
                             french.toString(check->expected, 'g', QLocale::FloatingPointShortest));
    }
    return text + QStringLiteral("Le processeur a calculé faux : le test n'est pas valable et aucun résultat "
                                 "n'est enregistré. Une fréquence trop élevée, une tension trop basse ou une "
                                 "surchauffe en sont les causes habituelles.");
}

QString OutOfMemory()
{
    return QStringLiteral("La mémoire disponible ne suffit pas : l'opération a été abandonnée. Le programme "
                          "continue.");
}

QString OutOfMemoryNothingWritten()
{
    return QStringLiteral("la mémoire disponible ne suffit pas : rien n'a été écrit.");
}

QString Unexpected()
{
    return QStringLiteral("Une erreur inattendue s'est produite.");
}

QString CannotStart(const QString &why)
{
    return QStringLiteral("CPU Tarvo 32 ne peut pas démarrer : %1.").arg(why);
}

QString NoDisplay()
{
    return QStringLiteral("aucun affichage graphique n'est accessible (ni serveur X, ni Wayland)");
}

QString TooFewDescriptors(int needed, int error)
{
    return QStringLiteral("le système ne lui laisse pas ouvrir les %1 fichiers dont il a besoin (%2)")
        .arg(needed)
        .arg(SystemReason(error));
}

QString TooFewThreads(int needed, int error)
{
    return QStringLiteral("le système ne lui laisse pas lancer les %1 fils d'exécution dont il a besoin (%2)")
        .arg(needed)
        .arg(SystemReason(error));
}

QString CannotWriteOutput(int error)
{
    if (error == EBADF)
        return QStringLiteral("impossible d'écrire la sortie : la sortie standard est fermée.");
    return QStringLiteral("impossible d'écrire la sortie : %1.").arg(SystemReason(error));
}

QString DataFolderUnusable(const std::string &folder, int error)
{
    return QStringLiteral("Le dossier des données de CPU Tarvo 32, « %1 », n'a pas pu être créé ou ouvert : %2. Le "
                          "programme n'est pas lancé.")
        .arg(shown(folder), SystemReason(error));
}

QString CannotLaunch(const std::string &program, int error)
{
    return QStringLiteral("CPU Tarvo 32 (« %1 ») n'a pas pu être lancé : %2.").arg(shown(program), SystemReason(error));
}

} // namespace tarvo
