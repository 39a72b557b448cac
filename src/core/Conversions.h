// Number and text conversions of the window framework, kept free of any GUI
// so that the data-file writers and the tests use them directly.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace tarvo {

// An optional sign then decimal digits, within the 32-bit range; anything else
// (the empty text, spaces, a lone sign, overflow) throws EConvertError.
std::int32_t StrToInt(const QString &text);

// Plain decimal, a minus sign when negative.
QString IntToStr(std::int32_t value);

// The "####.00" format: the exact value of the float rounded to two decimals,
// a half away from zero, every integer digit and no leading zero (0.5 is ".50"),
// no grouping, the locale's decimal separator.
QString FormatFloat(float value, const QLocale &locale = QLocale());

// A figure for a person other than a result (a load, a clock, a spread): two
// decimals in the user's locale, without grouping. Results are shown as the
// windows show them (FormatFloat).
QString Figure(double value);

// A result in a sentence: as the windows show it (FormatFloat, in the user's
// locale), with a leading zero: "0,50", not ",50".
QString ResultFigure(float value);

} // namespace tarvo
