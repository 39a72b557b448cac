#include "core/Conversions.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tarvo {

std::int32_t StrToInt(const QString &text)
{
    auto fail = [&text]() -> std::int32_t {
        throw EConvertError(NotAWholeNumber(text));
    };

    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return fail();

    // Accumulate as a negative number: its range is one larger than the positive one.
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return fail();
        value = value * 10 - (c - u'0');
        if (value < lowest)
            return fail();
    }
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<std::int32_t>::max())
            return fail();
    }
    return static_cast<std::int32_t>(value);
}

QString IntToStr(std::int32_t value)
{
    return QString::number(value);
}

QString FormatFloat(float value, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    // A float has at most 149 fractional binary digits, so 150 decimals print
    // its exact value; the rounding below then works on exact digits.
    char buffer[64 + 160];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                      std::fabs(static_cast<double>(value)),
                                      std::chars_format::fixed, 150);
    std::string digits(buffer, result.ptr);
    const std::size_t point = digits.find('.');
    std::string integer = digits.substr(0, point);
    std::string fraction = digits.substr(point + 1, 2);

    if (digits[point + 3] >= '5') {
        // Round the magnitude up: carry through the two decimals, then the integer part.
        std::string all = integer + fraction;
        int k = static_cast<int>(all.size()) - 1;
        while (k >= 0 && all[k] == '9')
            all[k--] = '0';
        if (k < 0)
            all.insert(all.begin(), '1');
        else
            ++all[k];
        integer = all.substr(0, all.size() - 2);
        fraction = all.substr(all.size() - 2);
    }

    integer.erase(0, integer.find_first_not_of('0'));
    const bool zero = integer.empty() && fraction == "00";
    QString text;
    if (value < 0 && !zero)
        text += u'-';
    text += QString::fromLatin1(integer);
    text += locale.decimalPoint();
    text += QString::fromLatin1(fraction);
    return text;
}

QString Figure(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}

QString ResultFigure(float value)
{
    QString text = FormatFloat(value);
    const qsizetype first = text.startsWith(u'-') ? 1 : 0;
    if (text.size() > first + 1 && !text.at(first).isDigit() && text.at(first + 1).isDigit())
        text.insert(first, u'0');
    return text;
}

} // namespace tarvo
