#include "core/StoredResult.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "core/FileAppend.h"
#include "core/FileReading.h"
#include "core/LineList.h"

// What a description must be, and how its values join their histories.
namespace tarvo {

namespace {

bool given(const QString &text, const char *marker)
{
    return !text.isEmpty() && text != QLatin1String(marker);
}

std::optional<DescriptionFault> textFault(const QString &text, DescriptionField field)
{
    try {
        DataText(text);
    } catch (const EEncodingError &e) {
        return DescriptionFault{field, QString::fromUtf8(e.what()), true};
    }
    return std::nullopt;
}

} // namespace

std::optional<DescriptionFault> DescriptionRule(const ResultRecord &record)
{
    using F = DescriptionField;
    if (!given(record.Processeur, NoProcessorMarker))
        return DescriptionFault{F::Processor, NotDescribed(QStringLiteral("le processeur"), NoProcessorMarker), false};
    if (record.FreqOrigine < 1)
        return DescriptionFault{F::BaseFrequency, FrequencyBelowOne(QStringLiteral("la fréquence d'origine")), false};
    if (record.FreqOverclock < 1)
        return DescriptionFault{F::OverclockFrequency, FrequencyBelowOne(QStringLiteral("la fréquence d'overclock")),
                                false};
    if (!given(record.CarteMere, NoMotherboardMarker))
        return DescriptionFault{F::Motherboard, NotDescribed(QStringLiteral("la carte mère"), NoMotherboardMarker),
                                false};
    return std::nullopt;
}

std::optional<DescriptionFault> CheckDescription(const ResultRecord &record)
{
    if (auto fault = textFault(record.Processeur, DescriptionField::Processor))
        return fault;
    if (auto fault = textFault(record.CarteMere, DescriptionField::Motherboard))
        return fault;
    return DescriptionRule(record);
}

std::optional<QString> LineFault(const ResultFields &fields)
{
    const ResultRecord record = RecordOf(fields);
    if (const auto fault = CheckDescription(record))
        return fault->reason;
    // The test's results are never below zero: such a line was made by hand.
    if (record.Indice < 0.0f || record.ResultatFlottant < 0.0f || record.ResultatEntier < 0.0f)
        return NegativeResult();
    return std::nullopt;
}

std::string_view HistoryFileName(DescriptionField field)
{
    switch (field) {
    case DescriptionField::Processor:
        return HistoryCPUName;
    case DescriptionField::BaseFrequency:
        return HistoryFreqOrigineName;
    case DescriptionField::OverclockFrequency:
        return HistoryFreqOverclockName;
    case DescriptionField::Motherboard:
        break;
    }
    return HistoryCarteMereName;
}

QByteArray HistoryEntry(const QString &text)
{
    return DataText(text) + "\r\n";
}

QByteArray HistoryEntry(std::int32_t value)
{
    return QByteArray::number(value) + "\r\n";
}

QByteArray HistoryEntry(const ResultRecord &record, DescriptionField field)
{
    switch (field) {
    case DescriptionField::Processor:
        return HistoryEntry(record.Processeur);
    case DescriptionField::BaseFrequency:
        return HistoryEntry(record.FreqOrigine);
    case DescriptionField::OverclockFrequency:
        return HistoryEntry(record.FreqOverclock);
    case DescriptionField::Motherboard:
        break;
    }
    return HistoryEntry(record.CarteMere);
}

void AppendAnswer(const std::string &historyPath, const QByteArray &entry)
{
    AppendToFile(historyPath, entry);
}

bool AddWhenMissing(const std::string &historyPath, const QByteArray &entry)
{
    bool added = false;
    AppendToFile(historyPath, [&](int fd) {
        const LineList lines = LineList::fromBytes(ReadWhole(fd, historyPath));
        added = true;
        for (qsizetype i = 0; i < lines.size() && added; ++i)
            added = lines.bytesAt(i) != QByteArrayView(entry).chopped(2);
        return added ? entry : QByteArray();
    });
    return added;
}

} // namespace tarvo
