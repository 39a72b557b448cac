// The French words of the command line: why a command line is refused, the
// --help page around the option table's lines, and the one prefix every
// message on standard error starts with. Failures of files and of the system
// are core/ErrorTexts.h's; this unit holds what only the command line says.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

#include <span>

namespace tarvo::cli {

// "zurezive : " and the message: every line the command line prints on
// standard error goes through it.
QString Prefixed(const QString &message);

// --help: an option's line, under its heading. `column` is where the text
// starts; continuation lines of the text start there too.
enum class HelpSection { Test, Cores, View, Gather, General };
struct OptionHelp {
    HelpSection section;
    const char *synopsis;
    const char *text; // UTF-8, lines separated by '\n'
    int column = 25;
};

namespace help {
using S = HelpSection;
inline constexpr OptionHelp Run[] = {
    {S::Test, "--run", "passe le test de vitesse (les huit calculs de « Tester ») et\n"
                       "affiche les conditions de la machine, puis les résultats ;\n"
                       "vérifie ce qu'ont calculé les calculs flottants 5 à 8 (les\n"
                       "calculs entiers ne sont pas vérifiés) : un calcul faux rend\n"
                       "le test non valable, rien n'est enregistré, code de sortie 1"}};
inline constexpr OptionHelp Repeat[] = {
    {S::Test, "--repeat=N", "passe le test N fois (1 à 100) : médiane, minimum, maximum,\n"
                            "coefficient de variation et verdict (stable si le CV de\n"
                            "l'indice est d'au plus 3 %)"},
    {S::Test, "--repeat=auto", "avec --run, répète jusqu'à ce que le CV de l'indice soit d'au\n"
                               "plus 3 % (de 5 à 30 essais) et dit combien il en a fallu"}};
inline constexpr OptionHelp Warmup[] = {
    {S::Test, "--warmup=N", "passe d'abord le test N fois (0 à 10) sans compter ces essais"}};
inline constexpr OptionHelp Cpu[] = {
    {S::Test, "--cpu=N", "fait tourner le test sur le processeur n° N seulement"}};
inline constexpr OptionHelp Compare[] = {
    {S::View, "--compare A.json B.json", "compare deux documents de --run --repeat=N --json : rapport\n"
                                         "de B à A, intervalle à 95 % et verdict (test de Mann-Whitney)"}};
inline constexpr OptionHelp Json[] = {{S::Test, "--json", "écrit tout cela en un seul document JSON"}};
inline constexpr OptionHelp Save[] = {
    {S::Test, "--save", "enregistre le résultat dans TARVODAT.TXT, comme « OK » ; avec\n"
                        "--repeat, l'essai dont l'indice est la médiane. Demande :"}};
inline constexpr OptionHelp Processor[] = {{S::Test, "--processor=TEXTE", "le processeur", 29}};
inline constexpr OptionHelp BaseFrequency[] = {
    {S::Test, "--base-frequency=N", "la fréquence d'origine (nombre entier)", 29}};
inline constexpr OptionHelp OverclockFrequency[] = {
    {S::Test, "--overclock-frequency=N", "la fréquence d'overclock (nombre entier)", 29}};
inline constexpr OptionHelp Motherboard[] = {{S::Test, "--motherboard=TEXTE", "la carte mère", 29}};
inline constexpr OptionHelp Rank[] = {
    {S::Test, "--rank", "donne le rang de l'indice parmi les résultats enregistrés\n"
                        "(« 12e sur 341 ») et son rapport à leur médiane"}};
inline constexpr OptionHelp Threads[] = {
    {S::Cores, "--threads=N|all", "les huit calculs sur N fils à la fois (all : un par processeur\n"
                                  "utilisable), partis ensemble, chacun attaché à son processeur,\n"
                                  "après un essai du même code sur un seul cœur. Donne chaque fil,\n"
                                  "les résultats multi-cœurs (la somme des résultats des fils,\n"
                                  "comme les autres programmes de mesure), le même travail sur la\n"
                                  "durée réelle, la mise à l'échelle et l'efficacité ; « perturbé »\n"
                                  "quand la durée réelle dément les horloges des fils"}};
inline constexpr OptionHelp NoPin[] = {
    {S::Cores, "--no-pin", "avec --threads : les fils ne sont attachés à aucun processeur"}};
inline constexpr OptionHelp PerCore[] = {
    {S::Cores, "--per-core", "le test de « Tester » sur chaque processeur tour à tour : type de\n"
                             "cœur, grappe, jumeau SMT, fréquence maximale, résultats, et une\n"
                             "marque à plus de 10 % sous la médiane de son type, avec la cause"}};
inline constexpr OptionHelp List[] = {
    {S::View, "--list --csv", "les résultats enregistrés, dans l'ordre de « Consulter », en CSV"},
    {S::View, "--list --json", "les mêmes, en JSON (UTF-8 dans les deux cas)"}};
inline constexpr OptionHelp Index[] = {
    {S::View, "--rank --index=VALEUR", "le rang d'un indice donné (avec un point décimal) ; avec\n"
                                       "--chart ou --report, --index marque cette machine"}};
inline constexpr OptionHelp Merge[] = {
    {S::Gather, "--merge FICHIER...", "ajoute à TARVODAT.TXT les lignes de résultats de ces fichiers\n"
                                      "qui n'y sont pas déjà, en une seule écriture"}};
inline constexpr OptionHelp Chart[] = {
    {S::View, "--chart=FICHIER", "dessine les résultats enregistrés en .png, .svg ou .pdf ; avec\n"
                                 "--run ou --index, cette machine y est marquée"}};
inline constexpr OptionHelp Report[] = {
    {S::View, "--report=FICHIER.html", "une page autonome : version, date, conditions, essais,\n"
                                       "résumé, rang et dessin ; avec --run, --index ou seule ;\n"
                                       "avec --threads ou --per-core, leurs chiffres aussi"}};
inline constexpr OptionHelp Help[] = {{S::General, "-h, --help", "affiche cette aide"}};
inline constexpr OptionHelp Version[] = {
    {S::General, "--version", "affiche la version, l'architecture et le compilateur"}};
} // namespace help

// The page around the option lines; the exit statuses are quoted from CommandLine.h.
QString HelpIntroduction();
QString HelpHeading(HelpSection section); // empty for the general options
QString HelpExitStatuses();

// A command line that cannot be followed: the whole line to print, ending with
// the hint to --help. Options are named as typed ("--run"); `values` are the
// words a rule names ("--run ou --index VALEUR").
QString UsageRefused(const QString &why);
QString OnlyForWindows(const QString &argument);
QString ValueMissing(const QString &option);
QString NoValueTaken(const QString &option);
QString UnknownOption(const QString &argument);
QString UnexpectedArgument(const QString &argument);
QString BadRepeatCount(const QString &value);
QString BadIndexValue(const QString &value);
QString IndexOutOfRange(const QString &value);
QString BadWarmupCount(const QString &value);
QString BadCpuNumber(const QString &value);
QString CpuNotAllowed(int cpu, const QString &allowed);
QString RepeatAutoOnlyForRun();
QString BadPictureName(const QString &option, const QString &value, const QString &endings);
QString ModesTogether(const QString &first, const QString &second);
QString NoAction();
// `because`, when given, says why.
QString OptionsNeed(const QStringList &options, const QString &needed, const QString &because = {});
// Why an option of the stored results does not go with `mode`.
QString OneCoreResults(const QString &mode);
QString OptionDemands(const QString &option, const QStringList &oneOf);
QString FilesExpected(const QString &option);
QString ChooseOne(const QString &first, const QString &second);
// How an option that takes a value is named in a rule: "--index VALEUR".
QString WithValue(const QString &option);

// The description --save refused: the whole line to print. `why` names the
// option: a value it cannot take ("--x : reason"), or a rule of "OK" ("rule (--x).").
QString DescriptionRefused(const QString &why);
QString ValueRefused(const QString &option, const QString &reason);
QString RuleRefused(const QString &option, const QString &rule);

// --merge's report: the counts, then each refused file or run of lines and why.
QString MergeSummary(const QString &resultsPath, std::int64_t added, std::int64_t present, std::int64_t refused);
QString RefusedLines(const QString &file, std::int64_t first, std::int64_t last, const QString &reason);
QString RefusedFile(const QString &file, const QString &reason);
QString EveryLineRefused();

// --threads' value, refused: why (UsageRefused gives the whole line).
QString BadThreadCount(const QString &value);
QString TooFewThreads(int count);
QString TooManyThreads(const QString &value, int usable);

// --compare's documents, refused: the whole line to print.
QString CompareTakesTwo(std::size_t given);
QString NotARunDocument(const QString &file, const QString &why);
QString BadJsonAt(qint64 offset, const QString &error);
QString NotFromThisProgram();
QString NoRunsList();
QString RunLacks(const QString &key);

// "a ou b ou c": the options one of which a rule asks for.
QString Alternatives(const QStringList &options);

// --version: the program, its architecture and its compiler, one a line.
QString VersionLines(const QString &version, const QString &architecture, const QString &compiler);
QString UnknownArchitecture();
QString UnknownCompiler();

} // namespace tarvo::cli
