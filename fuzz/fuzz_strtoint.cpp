// StrToInt on any text, checked against a plain reference: an optional sign,
// then ASCII digits, within the 32-bit range. Anything else must throw
// EConvertError, and nothing else may be thrown.
#include "Check.h"

#include "core/Conversions.h"
#include "core/Errors.h"

#include <QString>

#include <cstdint>

namespace {

// The reference: accepts or refuses, and gives the value when it accepts.
bool reference(const QString &text, std::int64_t &value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return false;
    value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > (std::int64_t(1) << 31))
            return false;
    }
    if (negative)
        value = -value;
    return value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Both readings of the bytes: as UTF-8, which reaches the digits and signs
    // easily, and as raw UTF-16 units, which reaches every QChar.
    const QString texts[] = {
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)),
        QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2)),
    };
    for (const QString &text : texts) {
        std::int64_t expected = 0;
        const bool accepted = reference(text, expected);
        try {
            const std::int32_t value = tarvo::StrToInt(text);
            check(accepted && value == expected);
            // IntToStr gives back the canonical form, which converts to the same value.
            check(tarvo::StrToInt(tarvo::IntToStr(value)) == value);
        } catch (const tarvo::EConvertError &) {
            check(!accepted);
        }
    }
    return 0;
}
