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

std::optional<QString> StoredLineFault(std::string_view line, bool ended)
{
    if (!ended)
        return NoLineEnd();
    if (line.empty() || line.back() != '\r')
        return NotCrLf();
    const QByteArrayView body(line.data(), qsizetype(line.size() - 1));
    // A CR inside would end a line where the file's readers cut it.
    if (body.contains('\r'))
        return CarriageReturnInside();
    const auto fields = ParseResultLine(body);
    if (!fields)
        return NotAResultsLine();
    return LineFault(*fields);
}

std::optional<QString> ResultsFileFault(QByteArrayView bytes)
{
    if (bytes.contains('\n') && !bytes.contains("\r\n"))
        return FileWithLfEnds();
    // Windows-1252 text seldom reads as valid UTF-8 once it holds a letter
    // beyond ASCII: two or more such bytes in a row, of UTF-8's exact shape.
    bool multiByte = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80)
            continue;
        const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
        if (more < 0 || i + more >= bytes.size())
            return std::nullopt;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return std::nullopt;
        multiByte = true;
        i += more;
    }
    if (multiByte)
        return FileInUtf8();
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
