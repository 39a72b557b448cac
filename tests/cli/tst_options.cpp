// The command line's parsing and the description checks of --save: what is
// accepted, and each refusal once, with the word or value it names.
#include "cli/CommandLine.h"
#include "cli/Options.h"
#include "cli/Save.h"

#include <QTest>

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
    static const char *const modes[] = {"help", "version", "run", "list", "rank", "merge"};
    static const char *const formats[] = {"text", "csv", "json"};
    QString text = QStringLiteral("%1 %2").arg(QLatin1String(modes[int(o.mode)]), QLatin1String(formats[int(o.format)]));
    if (o.repeat != 1)
        text += QStringLiteral(" repeat=%1").arg(o.repeat);
    if (o.rank)
        text += QStringLiteral(" rank");
    if (o.index)
        text += QStringLiteral(" index=%1").arg(*o.index);
    if (o.save)
        text += QStringLiteral(" save=%1|%2|%3|%4")
                    .arg(o.processor.value_or("-"), o.baseFrequency.value_or("-"), o.overclockFrequency.value_or("-"),
                         o.motherboard.value_or("-"));
    for (const std::string &file : o.files)
        text += u' ' + QString::fromStdString(file);
    return text;
}

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
        QTest::newRow("list csv") << QStringList{"--list", "--csv"} << "list csv";
        QTest::newRow("merge, files anywhere") << QStringList{"a.txt", "--merge", "b.txt", "--", "-c"}
                                               << "merge text a.txt b.txt -c";

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
        QTest::newRow("two modes") << QStringList{"--run", "--list", "--csv"} << "« --run » et « --list »";
        QTest::newRow("no mode") << QStringList{"--json"} << "aucune action demandée";
        QTest::newRow("rank alone") << QStringList{"--rank"} << "--rank demande --run ou --index";
        QTest::newRow("stray word") << QStringList{"--run", "extra"} << "argument inattendu « extra »";
        QTest::newRow("merge without files") << QStringList{"--merge"} << "--merge attend au moins un fichier";
        QTest::newRow("index without rank") << QStringList{"--index=3.0"} << "--index s'emploie avec --rank";
        QTest::newRow("rank with list") << QStringList{"--list", "--csv", "--rank"} << "--rank s'emploie avec --run";
        QTest::newRow("repeat without run") << QStringList{"--list", "--csv", "--repeat=2"} << "--repeat s'emploie avec --run";
        QTest::newRow("save without run") << QStringList{"--merge", "a", "--save"} << "--save s'emploie avec --run";
        QTest::newRow("description without save") << QStringList{"--run", "--processor=P"} << "s'emploient avec --save";
        QTest::newRow("csv and json") << QStringList{"--list", "--csv", "--json"} << "--csv ou --json, pas les deux";
        QTest::newRow("csv without list") << QStringList{"--run", "--csv"} << "--csv s'emploie avec --list";
        QTest::newRow("json with merge") << QStringList{"--merge", "a", "--json"} << "--json s'emploie avec --run ou --list";
        QTest::newRow("list without format") << QStringList{"--list"} << "--list demande --csv ou --json";
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
        const auto checked = CheckDescription(options);
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
