// Number and time texts, written once for both targets and independent of any locale: the
// actions need exactly the "C" locale's forms on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

// Decimal digits of `value`.
std::u16string FormatUnsigned(std::uint64_t value);

// `value` as "%.2f" formats it: exact binary value rounded to two decimals, ties to even;
// "inf", "-inf" and "nan" for the values that are not finite.
std::u16string FormatFixed2(double value);

// The C library's decimal conversion (wcstod) in the "C" locale, correctly rounded: leading
// white space, an optional sign, digits with an optional point and fraction, an optional
// exponent; it stops at the first unit that does not fit, and a text without a leading number
// gives 0. Only decimal forms are read: "inf", "nan" and hexadecimal texts give 0. A number
// beyond the double range gives an infinity of its sign.
double ParseDecimal(std::u16string_view text);

// "%Y-%m-%d.%X" in the "C" locale: 2014-02-01.09:05:03.
std::u16string FormatTimeStamp(const platform::LocalTime& time);
