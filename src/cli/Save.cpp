#include "cli/Save.h"

#include "cli/CommandTexts.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileAppend.h"
#include "core/FileOpening.h"
#include "core/LineList.h"

#include <array>

namespace tarvo::cli {

namespace {

QString refused(const QString &why)
{
    return DescriptionRefused(why);
}

// A frequency typed as the entry window converts it; 0 when not given, as the
// window's entry state starts.
std::int32_t frequency(const std::optional<QString> &typed)
{
    return typed ? StrToInt(*typed) : 0;
}

// Runs the conversion of a typed value; its refusal names the option.
template <typename Convert>
void asTyped(const char *option, Convert &&convert)
{
    try {
        convert();
    } catch (const Exception &e) {
        throw Exception(std::string(option) + " : " + e.what());
    }
}

struct History {
    std::string_view file;
    QByteArray entry;
};

// Whether the list already holds the entry as one of its lines; a missing
// list holds nothing.
bool holds(const std::string &path, QByteArrayView entry)
{
    if (IsMissing(path))
        return false;
    LineList lines;
    lines.loadSorted(path);
    return lines.find(entry.chopped(2)) >= 0;
}

} // namespace

std::variant<ResultRecord, QString> CheckDescription(const Options &options)
{
    // What typing gives first: texts the files can hold, whole numbers...
    ResultRecord record;
    try {
        asTyped("--processor", [&] {
            if (options.processor)
                DataText(*options.processor);
        });
        asTyped("--base-frequency", [&] { record.FreqOrigine = frequency(options.baseFrequency); });
        asTyped("--overclock-frequency", [&] { record.FreqOverclock = frequency(options.overclockFrequency); });
        asTyped("--motherboard", [&] {
            if (options.motherboard)
                DataText(*options.motherboard);
        });
    } catch (const Exception &e) {
        return refused(QString::fromUtf8(e.what()));
    }
    record.Processeur = options.processor.value_or(QString());
    record.CarteMere = options.motherboard.value_or(QString());

    // ...then the checks of "OK", in its order.
    if (record.Processeur.isEmpty() || record.Processeur == QLatin1String("NoCPU"))
        return refused(QStringLiteral("le processeur ne doit être ni vide ni « NoCPU » (--processor)."));
    if (record.FreqOrigine < 1)
        return refused(QStringLiteral("la fréquence d'origine doit valoir au moins 1 (--base-frequency)."));
    if (record.FreqOverclock < 1)
        return refused(QStringLiteral("la fréquence d'overclock doit valoir au moins 1 (--overclock-frequency)."));
    if (record.CarteMere.isEmpty() || record.CarteMere == QLatin1String("NoCarteMere"))
        return refused(QStringLiteral("la carte mère ne doit être ni vide ni « NoCarteMere » (--motherboard)."));
    return record;
}

Saved SaveResult(ResultRecord record, const Scores &scores)
{
    record.ResultatEntier = scores.entier;
    record.ResultatFlottant = scores.flottant;
    record.Indice = scores.indice;
    const QByteArray line = ResultLine(record);

    // The lists are read before anything is written, so that a list that
    // cannot be read leaves every file as it was.
    const std::array<History, 4> histories = {{
        {HistoryCPUName, HistoryEntry(record.Processeur)},
        {HistoryFreqOrigineName, HistoryEntry(record.FreqOrigine)},
        {HistoryFreqOverclockName, HistoryEntry(record.FreqOverclock)},
        {HistoryCarteMereName, HistoryEntry(record.CarteMere)},
    }};
    std::array<bool, 4> add{};
    for (std::size_t i = 0; i < histories.size(); ++i)
        add[i] = !holds(DataFilePath(histories[i].file), histories[i].entry);

    Saved saved;
    saved.resultsPath = DataFilePath(ResultsFileName);
    AppendToFile(saved.resultsPath, line);
    for (std::size_t i = 0; i < histories.size(); ++i) {
        if (!add[i])
            continue;
        try {
            AppendToFile(DataFilePath(histories[i].file), histories[i].entry);
        } catch (const EWriteError &e) {
            throw EWriteError(HistoryNotWritten(QString::fromUtf8(e.what())));
        }
        saved.historiesAdded << QString::fromLatin1(histories[i].file.data(), qsizetype(histories[i].file.size()));
    }
    return saved;
}

} // namespace tarvo::cli
