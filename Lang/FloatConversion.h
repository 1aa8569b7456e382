// The floating-point conversions 'e', 'f', 'g' and 'a' of the format engines.
#pragma once

#include <string>

namespace Lang {

// What a floating directive asks for.
struct FloatOptions {
    char conversion;    // 'e', 'f', 'g' or 'a', always lower case
    bool upperCase;     // 'E', 'F', 'G', 'A'
    int precision;      // -1: none given
    bool alternateForm; // '#'
    bool plusSign;      // '+'
    bool spaceSign;     // ' '
};

// Appends the text of `value` (sign, digits, exponent; no width padding) to `scratch`.
template <class CharT>
void appendFloat(std::basic_string<CharT>& scratch, const FloatOptions& options, double value);

// Rounds `x` to the nearest multiple of 10^e, halves away from zero.
double roundToPowerOfTen(double x, int e);

// The smallest multiple of 10^e not below `x`.
double ceilToPowerOfTen(double x, int e);

} // namespace Lang
