// Exact decimal digits of doubles, for the conversions where double arithmetic cannot round.
#pragma once

#include <string>

namespace Lang::Private {

// A non-negative decimal: its digits ('0'..'9', the first non-zero; none for zero) and the power of
// ten that the first digit counts.
struct DecimalDigits {
    std::string digits;
    int firstPower = 0;

    // The digit that counts 10^power ('0' outside the digits).
    char digitAt(long long power) const;
};

// The exact value of a finite non-negative double.
DecimalDigits exactDecimal(double value);

// Rounds to a multiple of 10^lastPower, halves away from zero; a carry can add a leading digit.
void roundAt(DecimalDigits& decimal, int lastPower);

} // namespace Lang::Private
