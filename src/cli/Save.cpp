#include "cli/Save.h"

#include "cli/CommandTexts.h"

#include "core/Conversions.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileAppend.h"

namespace tarvo::cli {

namespace {

// The option that gives each value of a description, in DescriptionField's order.
constexpr const char *optionOf[] = {"--processor", "--base-frequency", "--overclock-frequency", "--motherboard"};

// A frequency typed as the entry window converts it; 0 when not given, as the
// window's entry state starts.
std::int32_t frequency(const std::optional<QString> &typed)
{
    return typed ? StrToInt(*typed) : 0;
}

} // namespace

std::variant<ResultRecord, QString> DescriptionToSave(const Options &options)
{
    ResultRecord record;
    record.Processeur = options.processor.value_or(QString());
    record.CarteMere = options.motherboard.value_or(QString());
    // What typing gives first: whole numbers...
    for (const DescriptionField field : {DescriptionField::BaseFrequency, DescriptionField::OverclockFrequency}) {
        const bool base = field == DescriptionField::BaseFrequency;
        try {
            (base ? record.FreqOrigine : record.FreqOverclock) =
                frequency(base ? options.baseFrequency : options.overclockFrequency);
        } catch (const Exception &e) {
            return DescriptionRefused(ValueRefused(optionOf[int(field)], QString::fromUtf8(e.what())));
        }
    }
    // ...then the texts the files can hold and the checks of "OK", in its order.
    if (const auto fault = CheckDescription(record)) {
        const QString option = QLatin1String(optionOf[int(fault->field)]);
        return DescriptionRefused(fault->text ? ValueRefused(option, fault->reason)
                                              : RuleRefused(option, fault->reason));
    }
    return record;
}

std::optional<QString> Saved::historyFailure() const
{
    for (const HistoryStatus &history : histories)
        if (history.what == HistoryStatus::Failed)
            return HistoryNotWritten(history.reason);
    return std::nullopt;
}

Saved SaveResult(ResultRecord record, const Scores &scores)
{
    record.ResultatEntier = scores.entier;
    record.ResultatFlottant = scores.flottant;
    record.Indice = scores.indice;
    Saved saved;
    saved.resultsPath = DataFilePath(ResultsFileName);
    AppendToFile(saved.resultsPath, ResultLine(record));
    // The result is kept now: each history is tried, whatever became of the others.
    for (const DescriptionField field : DescriptionFields) {
        const std::string_view name = HistoryFileName(field);
        HistoryStatus status{QString::fromLatin1(name.data(), qsizetype(name.size())), HistoryStatus::Failed, {}};
        try {
            status.what = AddWhenMissing(DataFilePath(name), HistoryEntry(record, field)) ? HistoryStatus::Added
                                                                                            : HistoryStatus::AlreadyThere;
        } catch (const Exception &e) {
            status.reason = QString::fromUtf8(e.what());
        }
        saved.histories.push_back(status);
    }
    return saved;
}

} // namespace tarvo::cli
