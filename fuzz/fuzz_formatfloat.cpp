// FormatFloat("####.00") on every 32-bit float pattern, under the C and the
// French locale, checked against the C library's formatting: two decimals,
// rounded half away from zero, no leading zero, no grouping, the locale's
// separator.
#include "Check.h"

#include "core/Conversions.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The expected text for a finite value, with "." as the separator, from the C
// library's "%.2f", which rounds the exact value half to even. A float lies
// exactly half-way between two hundredths only when it is an odd number of
// eighths (x.125, x.375, x.625, x.875); those are nudged away from zero first.
std::string expected(float value)
{
    const double exact = double(value);
    const bool tie = std::fabs(exact) < 0x1p21 && std::fmod(std::fabs(exact) * 8, 2) == 1;
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.2f",
                                tie ? exact + std::copysign(0.001, exact) : exact);
    check(n > 0 && n < int(sizeof text));
    std::string result(text);
    const bool negative = result[0] == '-';
    if (negative)
        result.erase(0, 1);
    if (result.rfind("0.", 0) == 0)
        result.erase(0, 1); // no leading zero: ".50"
    if (result == ".00")
        return result; // no sign on a value that rounds to zero
    return (negative ? "-" : "") + result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < sizeof(float))
        return 0;
    float value;
    std::memcpy(&value, data, sizeof value);

    static const QLocale c = QLocale::c();
    static const QLocale french(QLocale::French, QLocale::France);

    const QString inC = tarvo::FormatFloat(value, c);
    const QString inFrench = tarvo::FormatFloat(value, french);

    if (std::isnan(value) || std::isinf(value)) {
        check(inC == inFrench && !inC.isEmpty());
        return 0;
    }

    check(inC == QString::fromStdString(expected(value)));
    // The separator is the only difference between the locales: no grouping.
    QString frenchAsC = inFrench;
    check(frenchAsC.count(u',') == 1 && !frenchAsC.contains(u'.'));
    frenchAsC.replace(u',', u'.');
    check(frenchAsC == inC);

    // The value read back lies within half a hundredth of the float.
    const double back = inC.toDouble();
    check(std::fabs(back - double(value)) <= 0.005 * (1 + 1e-9) + std::fabs(double(value)) * 1e-15);
    return 0;
}
