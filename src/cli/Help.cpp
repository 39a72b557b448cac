#include "cli/Help.h"

namespace tarvo::cli {

QString ProgramVersion()
{
    return QStringLiteral(TARVO_VERSION);
}

QString Architecture()
{
#if defined(__x86_64__)
    return QStringLiteral("x86_64");
#elif defined(__aarch64__)
    return QStringLiteral("aarch64");
#else
    return QStringLiteral("inconnue");
#endif
}

QString Compiler()
{
#if defined(__clang__)
    return QStringLiteral("clang " __clang_version__);
#elif defined(__GNUC__)
    return QStringLiteral("GCC " __VERSION__);
#else
    return QStringLiteral("inconnu");
#endif
}

QString HelpText()
{
    return QStringLiteral(
        "Usage : zurezive [OPTION]...\n"
        "Sans option, ou avec les seules options de Qt (-platform, -style...), ouvre les fenêtres.\n"
        "Les options ci-dessous travaillent sans fenêtre ni affichage, dans le dossier courant.\n"
        "\n"
        "Tester :\n"
        "  --run                  passe le test de vitesse (les huit calculs de « Tester ») et\n"
        "                         affiche les conditions de la machine, puis les résultats\n"
        "  --repeat=N             passe le test N fois (1 à 100) : médiane, minimum, maximum,\n"
        "                         coefficient de variation et verdict (stable si le CV de\n"
        "                         l'indice est d'au plus 3 %)\n"
        "  --json                 écrit tout cela en un seul document JSON\n"
        "  --save                 enregistre le résultat dans TARVODAT.TXT, comme « OK » ; avec\n"
        "                         --repeat, l'essai dont l'indice est la médiane. Demande :\n"
        "  --processor=TEXTE          le processeur\n"
        "  --base-frequency=N         la fréquence d'origine (nombre entier)\n"
        "  --overclock-frequency=N    la fréquence d'overclock (nombre entier)\n"
        "  --motherboard=TEXTE        la carte mère\n"
        "  --rank                 donne le rang de l'indice parmi les résultats enregistrés\n"
        "                         (« 12e sur 341 ») et son rapport à leur médiane\n"
        "\n"
        "Consulter :\n"
        "  --list --csv           les résultats enregistrés, dans l'ordre de « Consulter », en CSV\n"
        "  --list --json          les mêmes, en JSON (UTF-8 dans les deux cas)\n"
        "  --rank --index=VALEUR  le rang d'un indice donné (avec un point décimal)\n"
        "\n"
        "Rassembler :\n"
        "  --merge FICHIER...     ajoute à TARVODAT.TXT les lignes de résultats de ces fichiers\n"
        "                         qui n'y sont pas déjà, en une seule écriture\n"
        "\n"
        "  -h, --help             affiche cette aide\n"
        "  --version              affiche la version, l'architecture et le compilateur\n"
        "\n"
        "Codes de sortie : 0 réussite ; 1 fichier illisible ou impossible à écrire, ou test\n"
        "interrompu ; 2 ligne de commande incorrecte ; 3 description refusée par --save.\n"
        "Voir aussi : man zurezive\n");
}

QString VersionText()
{
    return QStringLiteral("CPU Tarvo 32 (zurezive) %1\nArchitecture : %2\nCompilateur : %3\n")
        .arg(ProgramVersion(), Architecture(), Compiler());
}

} // namespace tarvo::cli
