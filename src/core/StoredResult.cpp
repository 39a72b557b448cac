#include "core/StoredResult.h"

#include "core/Ansi.h"
#include "core/Conversions.h"

#include <charconv>
#include <cmath>

// The results line's format, written and read back: both halves stay here,
// side by side, so that what is written is what is read.
namespace tarvo {

QString ConfigurationText(const QString &processeur, std::int32_t freqOrigine, std::int32_t freqOverclock,
                          const QString &carteMere)
{
    return processeur + u' ' + IntToStr(freqOrigine) + QStringLiteral(" à ") + IntToStr(freqOverclock)
        + QStringLiteral("     [CM ") + carteMere + u']';
}

QByteArray ResultLine(const ResultRecord &record)
{
    // Each text on its own first, so that a refusal names the one at fault.
    DataText(record.Processeur);
    DataText(record.CarteMere);

    QByteArray line;
    line += QByteArray::fromStdString(FormatFixed2(record.Indice));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatFlottant));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatEntier));
    line += "            ";
    line += toAnsi(ConfigurationText(record.Processeur, record.FreqOrigine, record.FreqOverclock,
                                     record.CarteMere));
    line += "\r\n";
    return line;
}

namespace {

constexpr std::size_t numberWidth = 12;

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether "%.2f" writes the float nearest `text` as `text`. Below 2^16
// floats lie less than 0.008 apart, so the nearest one is within 0.004 of the
// text and is written as it: a text of at most four integer digits needs no
// more looking at. Above, the float's rounding is checked.
bool aFloatIsWrittenSo(std::string_view text, std::size_t integerDigits)
{
    if (integerDigits <= 4)
        return true;
    float value = 0.0f;
    if (std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed).ec != std::errc()
        || !std::isfinite(value))
        return false;
    return std::fabs(value) < 65536.0f || std::string_view(FormatFixed2(value, 0)) == text;
}

// One "%12.2f" field at the start of `rest`, which it leaves after the field.
std::optional<std::string_view> number(std::string_view &rest)
{
    std::size_t spaces = 0;
    while (spaces < rest.size() && rest[spaces] == ' ')
        ++spaces;
    std::size_t end = spaces;
    if (end < rest.size() && rest[end] == '-')
        ++end;
    const std::size_t integer = end;
    while (end < rest.size() && digit(rest[end]))
        ++end;
    const std::size_t digits = end - integer;
    // "%.2f" writes no leading zero but a lone one, and exactly two decimals.
    if (digits == 0 || (digits > 1 && rest[integer] == '0'))
        return std::nullopt;
    if (end + 3 > rest.size() || rest[end] != '.' || !digit(rest[end + 1]) || !digit(rest[end + 2]))
        return std::nullopt;
    end += 3;
    const std::string_view text = rest.substr(spaces, end - spaces);
    // Padded to the width, never beyond it.
    if (text.size() < numberWidth ? end != numberWidth : spaces != 0)
        return std::nullopt;
    if (!aFloatIsWrittenSo(text, digits))
        return std::nullopt;
    rest.remove_prefix(end);
    return text;
}

// A "%d" number at the start of `rest`, which it leaves after it.
std::optional<std::int32_t> whole(std::string_view &rest)
{
    std::size_t end = rest.size() > 0 && rest[0] == '-' ? 1 : 0;
    const std::size_t first = end;
    while (end < rest.size() && digit(rest[end]))
        ++end;
    if (end == first || (end - first > 1 && rest[first] == '0') || rest.substr(0, end) == "-0")
        return std::nullopt;
    std::int32_t value = 0;
    if (std::from_chars(rest.data(), rest.data() + end, value).ec != std::errc())
        return std::nullopt;
    rest.remove_prefix(end);
    return value;
}

bool take(std::string_view &rest, std::string_view expected)
{
    if (rest.substr(0, expected.size()) != expected)
        return false;
    rest.remove_prefix(expected.size());
    return true;
}

} // namespace

std::optional<ResultFields> ParseResultLine(QByteArrayView line)
{
    std::string_view rest(line.data(), std::size_t(line.size()));

    ResultFields fields{};
    const auto indice = number(rest);
    const auto flottant = indice ? number(rest) : std::nullopt;
    const auto entier = flottant ? number(rest) : std::nullopt;
    if (!entier || !take(rest, "            ") || rest.empty() || rest.back() != ']')
        return std::nullopt;
    fields.indiceText = *indice;
    fields.flottantText = *flottant;
    fields.entierText = *entier;

    // "processor N à N     [CM board]": the middle found by its "à", the first
    // one that has the rest of the middle around it.
    const std::string_view configuration = rest.substr(0, rest.size() - 1);
    for (std::size_t a = configuration.find('\xe0'); a != std::string_view::npos;
         a = configuration.find('\xe0', a + 1)) {
        // Back from the "à" over " N " to the space that ends the processor.
        std::size_t space = a;
        if (space < 2 || configuration[--space] != ' ')
            continue;
        while (space > 0 && (digit(configuration[space - 1]) || configuration[space - 1] == '-'))
            --space;
        if (space == 0 || configuration[--space] != ' ')
            continue;
        std::string_view middle = configuration.substr(space + 1);
        const auto origine = whole(middle);
        if (!origine || !take(middle, " \xe0 "))
            continue;
        const auto overclock = whole(middle);
        if (!overclock || !take(middle, "     [CM "))
            continue;
        fields.processeur = QByteArrayView(configuration.data(), qsizetype(space));
        fields.freqOrigine = *origine;
        fields.freqOverclock = *overclock;
        fields.carteMere = QByteArrayView(middle.data(), qsizetype(middle.size()));
        return fields;
    }
    return std::nullopt;
}

float StoredFloat(std::string_view text)
{
    float value = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return value;
}

double StoredValue(std::string_view text)
{
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return value;
}

double StoredIndex(float indice)
{
    return StoredValue(FormatFixed2(indice, 0));
}

ResultRecord RecordOf(const ResultFields &fields)
{
    ResultRecord record;
    record.Indice = StoredFloat(fields.indiceText);
    record.ResultatFlottant = StoredFloat(fields.flottantText);
    record.ResultatEntier = StoredFloat(fields.entierText);
    record.Processeur = fromAnsi(fields.processeur);
    record.FreqOrigine = fields.freqOrigine;
    record.FreqOverclock = fields.freqOverclock;
    record.CarteMere = fromAnsi(fields.carteMere);
    return record;
}

} // namespace tarvo
