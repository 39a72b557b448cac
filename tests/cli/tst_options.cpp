// The command line's parsing and the description checks of --save: what is
// accepted, and each refusal once, with the word or value it names.
#include "cli/CommandLine.h"
#include "cli/Arguments.h"
#include "cli/Options.h"
#include "cli/Save.h"

#include "core/ThreadedRun.h"

#include <QTest>

#include <algorithm>
#include <vector>

using namespace tarvo::cli;

namespace {

// An argument vector as main gets it; getopt permutes the arguments, so it
// gets copies it may move.
class Arguments {
public:
    explicit Arguments(const QStringList &arguments)
    {
        words_.push_back(QByteArray("zurezive"));
        for (const QString &a : arguments)
            words_.push_back(a.toUtf8());
        for (QByteArray &w : words_)
            pointers_.push_back(w.data());
        pointers_.push_back(nullptr);
    }
    int argc() const { return int(words_.size()); }
    char **argv() { return pointers_.data(); }

private:
    std::vector<QByteArray> words_;
    std::vector<char *> pointers_;
};

std::variant<Options, UsageError> parse(const QStringList &arguments)
{
    Arguments a(arguments);
    return ParseOptions(a.argc(), a.argv());
}

bool windows(const QStringList &arguments)
{
    Arguments a(arguments);
    return !WantsCommandLine(a.argc(), a.argv());
}

// What a parse gave, in a few words a row can state.
QString summary(const Options &o)
{
    static const char *const modes[] = {"help", "version", "run", "list", "rank", "merge", "threads", "per-core", "picture", "compare"};
    static const char *const formats[] = {"text", "csv", "json"};
    QString text = QStringLiteral("%1 %2").arg(QLatin1String(modes[int(o.mode)]), QLatin1String(formats[int(o.format)]));
    if (o.repeat != 1)
        text += QStringLiteral(" repeat=%1").arg(o.repeat);
    if (o.repeatAuto)
        text += QStringLiteral(" repeat=auto");
    if (o.warmup)
        text += QStringLiteral(" warmup=%1").arg(o.warmup);
    if (o.cpu)
        text += QStringLiteral(" cpu=%1").arg(*o.cpu);
    if (o.rank)
        text += QStringLiteral(" rank");
    if (o.index)
        text += QStringLiteral(" index=%1").arg(*o.index);
    if (o.save)
        text += QStringLiteral(" save=%1|%2|%3|%4")
                    .arg(o.processor.value_or("-"), o.baseFrequency.value_or("-"), o.overclockFrequency.value_or("-"),
                         o.motherboard.value_or("-"));
    if (o.threads)
        text += QStringLiteral(" threads=%1").arg(o.threads);
    if (!o.pin)
        text += QStringLiteral(" no-pin");
    for (const std::string &file : o.files)
        text += u' ' + QString::fromStdString(file);
    return text;
}


// The table's rows, as the walk below reads them.
const OptionRow &row(std::string_view name)
{
    for (const OptionRow &r : OptionTable())
        if (name == r.name)
            return r;
    qFatal("no option %s", name.data());
}

bool accepts(const OptionRow &option, Mode mode)
{
    return (option.modes & In({mode})) != 0;
}

QString dashed(const OptionRow &r)
{
    return QStringLiteral("--") + QLatin1String(r.name);
}

// An option as typed, with a value every option takes, and what it needs.
QStringList typed(const OptionRow &r)
{
    QStringList words{dashed(r) + (r.value ? QStringLiteral("=1") : QString())};
    if (r.needs)
        words << typed(row(r.needs));
    return words;
}

// A line that asks for the mode as the table allows, with `option` in it.
QStringList lineFor(const OptionRow &mode, const OptionRow *option = nullptr)
{
    QStringList line = typed(mode);
    if (option)
        line << typed(*option);
    if (!mode.demands.empty() && !(option && std::ranges::count(mode.demands, std::string_view(option->name))))
        line << typed(row(mode.demands.front()));
    if (mode.operands)
        line << QStringLiteral("fichier");
    return line;
}

std::vector<const OptionRow *> rowsWhere(bool (*keep)(const OptionRow &))
{
    std::vector<const OptionRow *> kept;
    for (const OptionRow &r : OptionTable())
        if (keep(r))
            kept.push_back(&r);
    return kept;
}

const auto modeRows = [] { return rowsWhere([](const OptionRow &r) { return r.mode && !r.wins; }); };
const auto optionRows = [] { return rowsWhere([](const OptionRow &r) { return !r.mode; }); };

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    // No argument, or Qt's own options with their values, start the windows.
    void toolkitOptionsStartTheWindows_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("windows");
        QTest::newRow("none") << QStringList{} << true;
        QTest::newRow("-platform value") << QStringList{"-platform", "offscreen"} << true;
        QTest::newRow("--platform value") << QStringList{"--platform", "xcb"} << true;
        QTest::newRow("-style=, -reverse, -display")
            << QStringList{"-style=fusion", "-reverse", "-display", ":1", "--geometry", "10x10"} << true;
        QTest::newRow("value missing at the end") << QStringList{"-platform"} << true;
        QTest::newRow("an option of ours") << QStringList{"-platform", "xcb", "--run"} << false;
        QTest::newRow("a plain word") << QStringList{"fichier"} << false;
        QTest::newRow("--platform=value is not Qt's") << QStringList{"--platform=xcb"} << false;
    }
    void toolkitOptionsStartTheWindows()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, windows);
        QCOMPARE(::windows(arguments), windows);
    }

    // Accepted lines give their mode; refused ones name what is wrong, on one
    // line ending with the hint to --help.
    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // the summary, or a part of the refusal

        QTest::newRow("help wins") << QStringList{"--run", "-h"} << "help text";
        QTest::newRow("version") << QStringList{"--version"} << "version text";
        QTest::newRow("run") << QStringList{"--run"} << "run text";
        QTest::newRow("repeat joined, json") << QStringList{"--run", "--repeat=5", "--json"} << "run json repeat=5";
        QTest::newRow("repeat apart, abbreviated") << QStringList{"--repeat", "100", "--ru"} << "run text repeat=100";
        QTest::newRow("save with descriptions")
            << QStringList{"--run", "--save", "--processor=Proc é", "--base-frequency", "0450",
                           "--overclock-frequency=-1", "--motherboard", "-A-"}
            << "run text save=Proc é|0450|-1|-A-";
        QTest::newRow("rank a run") << QStringList{"--run", "--rank"} << "run text rank";
        QTest::newRow("rank an index") << QStringList{"--rank", "--index=12.5"} << "rank text rank index=12.5";
        QTest::newRow("mark an index, not ranked") << QStringList{"--report=r.html", "--index=12.5"} << "rank text index=12.5";
        QTest::newRow("index for nothing") << QStringList{"--index=12.5"}
                                           << "--index demande --rank ou --chart VALEUR ou --report VALEUR.";
        QTest::newRow("list csv") << QStringList{"--list", "--csv"} << "list csv";
        QTest::newRow("merge, files anywhere") << QStringList{"a.txt", "--merge", "b.txt", "--", "-c"}
                                               << "merge text a.txt b.txt -c";

        QTest::newRow("steadier runs") << QStringList{"--run", "--repeat=auto", "--warmup=2", "--cpu", "1"}
                                       << "run text repeat=auto warmup=2 cpu=1";
        QTest::newRow("compare, json") << QStringList{"--compare", "a.json", "b.json", "--json"}
                                       << "compare json a.json b.json";
        QTest::newRow("warmup 11") << QStringList{"--run", "--warmup=11"} << "de 0 à 10, pas « 11 »";
        QTest::newRow("cpu negative") << QStringList{"--run", "--cpu=-1"} << "le numéro d'un processeur, pas « -1 »";
        QTest::newRow("cpu not a number") << QStringList{"--run", "--cpu=un"} << "pas « un »";
        QTest::newRow("compare without files") << QStringList{"--compare"} << "--compare attend au moins un fichier";

        QTest::newRow("unknown long") << QStringList{"--run", "--fast"} << "option inconnue ou ambiguë « --fast »";
        QTest::newRow("ambiguous") << QStringList{"--r"} << "option inconnue ou ambiguë « --r »";
        QTest::newRow("unknown letter in a word") << QStringList{"-hx", "--run"} << "« -hx »";
        QTest::newRow("missing value") << QStringList{"--run", "--repeat"} << "l'option « --repeat » attend une valeur";
        QTest::newRow("value to a flag") << QStringList{"--run=3"} << "l'option « --run » ne prend pas de valeur";
        QTest::newRow("Qt's option with ours") << QStringList{"--run", "-platform", "xcb"}
                                               << "« -platform » ne sert qu'aux fenêtres";
        QTest::newRow("repeat 0") << QStringList{"--run", "--repeat=0"} << "de 1 à 100, pas « 0 »";
        QTest::newRow("repeat 101") << QStringList{"--run", "--repeat=101"} << "pas « 101 »";
        QTest::newRow("repeat not a number") << QStringList{"--run", "--repeat=5x"} << "pas « 5x »";
        QTest::newRow("index with a comma") << QStringList{"--rank", "--index=12,5"} << "pas « 12,5 »";
        QTest::newRow("index beyond a float") << QStringList{"--rank", "--index=" + QString(41, u'9') + ".0"}
                                              << "largeur d'un indice enregistré";
        QTest::newRow("index wider than a line's field") << QStringList{"--rank", "--index=1000000000.0"}
                                                         << "pas « 1000000000.0 »";
        // One row per kind of rule, pinning its words; the table walk below checks every row of each kind.
        QTest::newRow("two modes") << QStringList{"--run", "--list", "--csv"} << "« --run » et « --list »";
        QTest::newRow("no mode") << QStringList{"--json"} << "aucune action demandée";
        QTest::newRow("demand without a mode") << QStringList{"--rank"} << "--rank demande --run ou --index VALEUR.";
        QTest::newRow("stray word") << QStringList{"--run", "extra"} << "argument inattendu « extra »";
        QTest::newRow("merge without files") << QStringList{"--merge"} << "--merge attend au moins un fichier";
        QTest::newRow("needs, named together")
            << QStringList{"--run", "--processor=P"}
            << "--processor, --base-frequency, --overclock-frequency et --motherboard s'emploient avec --save.";
        QTest::newRow("modes, with a value") << QStringList{"--list", "--csv", "--rank"}
                                             << "--rank s'emploie avec --run ou --index VALEUR.";
        QTest::newRow("csv and json") << QStringList{"--run", "--csv", "--json"} << "choisissez --csv ou --json, pas les deux";
        QTest::newRow("list without format") << QStringList{"--list"} << "--list demande --csv ou --json.";
        const QString usable = QString::number(tarvo::UsableCpus().size());
        QTest::newRow("threads all, unpinned, repeated")
            << QStringList{"--threads=all", "--no-pin", "--repeat=3", "--json"}
            << "threads json repeat=3 threads=" + usable + " no-pin";
        QTest::newRow("threads 0") << QStringList{"--threads=0"} << "au moins 1 fil d'exécution, pas 0";
        QTest::newRow("threads above the usable CPUs")
            << QStringList{"--threads=100000"} << "dépasse les " + usable + " processeurs";
        QTest::newRow("threads beyond int") << QStringList{"--threads=99999999999"} << "dépasse les";
        QTest::newRow("threads not a number") << QStringList{"--threads=deux"} << "ou « all », pas « deux »";
        QTest::newRow("threads ranked, with the reason")
            << QStringList{"--threads=1", "--rank"} << "--threads mesure plusieurs cœurs, et TARVODAT.TXT";
    }
    // Arguments are bytes in the locale's codeset, not always UTF-8.
    void decodesArgumentsInTheirCodeset_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("codeset");
        QTest::addColumn<QString>("text");
        QTest::newRow("Latin-1") << QByteArray("Caf\xe9") << QByteArray("ISO-8859-1") << QStringLiteral("Café");
        QTest::newRow("Latin-9 euro") << QByteArray("\xa4") << QByteArray("ISO-8859-15") << QStringLiteral("€");
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9") << QByteArray("UTF-8") << QStringLiteral("Café");
        QTest::newRow("not UTF-8") << QByteArray("Caf\xe9") << QByteArray("UTF-8") << QStringLiteral("Caf\ufffd");
    }
    void decodesArgumentsInTheirCodeset()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, codeset);
        QFETCH(QString, text);
        QCOMPARE(ArgumentText(bytes.constData(), codeset.constData()), text);
    }

    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const auto parsed = parse(arguments);
        if (const auto *error = std::get_if<UsageError>(&parsed)) {
            QVERIFY2(error->message.contains(expected), qPrintable(error->message));
            QVERIFY(error->message.startsWith(QStringLiteral("zurezive : ")));
            QVERIFY(error->message.endsWith(QStringLiteral("Essayez « zurezive --help ».")));
            QVERIFY(!error->message.contains(u'\n'));
        } else {
            QCOMPARE(summary(std::get<Options>(parsed)), expected);
        }
    }

    // Every rule the table states is the one the parser keeps: each option in
    // each mode, each option without what it needs, each pair of modes, each
    // demand and operand rule. A refusal names the option and what it wants.
    void tableRulesHold_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("mode");             // when accepted, else -1
        QTest::addColumn<QStringList>("refusal"); // words the refusal holds
        for (const OptionRow *mode : modeRows()) {
            for (const OptionRow *option : optionRows()) {
                // What the line brings that the mode refuses first: the option or what it needs.
                const OptionRow *refused = option->needs && !accepts(row(option->needs), *mode->mode)
                    ? &row(option->needs) : option;
                QStringList words{dashed(*refused) + QStringLiteral(" s'emploi")};
                for (const OptionRow *other : modeRows())
                    if (accepts(*refused, *other->mode))
                        words << dashed(*other);
                const bool fine = accepts(*option, *mode->mode) && accepts(*refused, *mode->mode);
                QTest::addRow("%s in %s", option->name, mode->name)
                    << lineFor(*mode, option) << (fine ? int(*mode->mode) : -1) << (fine ? QStringList{} : words);
                if (option->needs && fine)
                    QTest::addRow("%s without --%s in %s", option->name, option->needs, mode->name)
                        << lineFor(*mode) + QStringList{dashed(*option) + QStringLiteral("=1")} << -1
                        << QStringList{dashed(*option), QStringLiteral("avec --") + option->needs};
                if (option->excludes && fine)
                    QTest::addRow("%s with --%s", option->name, option->excludes)
                        << lineFor(*mode, option) + typed(row(option->excludes)) << -1
                        << QStringList{QStringLiteral("choisissez ") + dashed(*option)};
            }
            for (const OptionRow *other : modeRows())
                if (other != mode)
                    QTest::addRow("%s with %s", mode->name, other->name)
                        << lineFor(*mode) + lineFor(*other) << -1
                        << QStringList{dashed(*mode), dashed(*other), QStringLiteral("ensemble")};
            if (!mode->demands.empty())
                QTest::addRow("%s without its demand", mode->name)
                    << typed(*mode) << -1 << QStringList{dashed(*mode) + QStringLiteral(" demande")};
            QStringList withoutFiles = lineFor(*mode);
            if (mode->operands)
                withoutFiles.removeLast();
            QTest::addRow("%s, operands", mode->name)
                << (mode->operands ? withoutFiles : withoutFiles << QStringLiteral("fichier")) << -1
                << QStringList{mode->operands ? QStringLiteral("attend au moins un fichier")
                                              : QStringLiteral("argument inattendu « fichier »")};
        }
        for (const OptionRow &r : OptionTable())
            if (r.wins)
                QTest::addRow("%s wins", r.name) << QStringList{"--run", "--list", "--csv", dashed(r)}
                                                 << int(*r.mode) << QStringList{};
    }
    void tableRulesHold()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, mode);
        QFETCH(QStringList, refusal);
        const auto parsed = parse(arguments);
        if (const auto *error = std::get_if<UsageError>(&parsed)) {
            QVERIFY2(mode < 0, qPrintable(error->message));
            for (const QString &word : refusal)
                QVERIFY2(error->message.contains(word), qPrintable(word + QStringLiteral(" not in ") + error->message));
            QVERIFY(error->message.startsWith(QStringLiteral("zurezive : ")));
            QVERIFY(error->message.endsWith(QStringLiteral("Essayez « zurezive --help ».")));
        } else {
            QVERIFY2(mode >= 0, qPrintable(arguments.join(u' ') + QStringLiteral(" accepted")));
            QCOMPARE(int(std::get<Options>(parsed).mode), mode);
        }
    }

    // --save checks what typing would refuse, then what "OK" refuses, in the
    // window's order; a refusal names the value or the option.
    void checksTheDescription_data()
    {
        QTest::addColumn<QStringList>("values"); // processor, base, overclock, motherboard; "-" absent
        QTest::addColumn<QString>("refusal");    // empty when accepted

        QTest::newRow("accepted, frequency as typed") << QStringList{" ", "0450", "1", "nocartemere"} << "";
        QTest::newRow("character outside the code page") << QStringList{"Proc ☃", "300", "333", "B"} << "(U+2603)";
        QTest::newRow("line break") << QStringList{"P", "300", "333", "B\nC"} << "--motherboard : Le texte";
        QTest::newRow("not a number, before the checks")
            << QStringList{"NoCPU", "3OO", "333", "B"} << "--base-frequency : « 3OO » n'est pas un nombre";
        QTest::newRow("processor missing") << QStringList{"-", "300", "333", "B"} << "ni vide ni « NoCPU »";
        QTest::newRow("NoCPU before frequency 0") << QStringList{"NoCPU", "0", "333", "B"} << "ni vide ni « NoCPU »";
        QTest::newRow("base frequency 0") << QStringList{"P", "0", "0", "B"} << "(--base-frequency)";
        QTest::newRow("overclock missing") << QStringList{"P", "300", "-", "B"} << "(--overclock-frequency)";
        QTest::newRow("NoCarteMere") << QStringList{"P", "300", "333", "NoCarteMere"} << "ni vide ni « NoCarteMere »";
    }
    void checksTheDescription()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, refusal);
        Options options;
        options.save = true;
        std::optional<QString> *fields[] = {&options.processor, &options.baseFrequency, &options.overclockFrequency,
                                            &options.motherboard};
        for (int i = 0; i < 4; ++i)
            if (values[i] != QLatin1String("-"))
                *fields[i] = values[i];
        const auto checked = DescriptionToSave(options);
        if (refusal.isEmpty()) {
            const auto *record = std::get_if<tarvo::ResultRecord>(&checked);
            QVERIFY2(record, record ? "" : qPrintable(std::get<QString>(checked)));
            QCOMPARE(record->FreqOrigine, 450);
            QCOMPARE(record->Processeur, QStringLiteral(" "));
        } else {
            const auto *message = std::get_if<QString>(&checked);
            QVERIFY2(message, "accepted");
            QVERIFY2(message->contains(refusal), qPrintable(*message));
            QVERIFY(message->endsWith(QStringLiteral("Rien n'a été enregistré.")));
        }
    }
};

QTEST_APPLESS_MAIN(TestOptions)
#include "tst_options.moc"
