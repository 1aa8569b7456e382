// The floating-point conversions 'e', 'f', 'g' and 'a': digits by floating-point arithmetic.
//
// Decimal digits come from double arithmetic, never from a library formatting routine; powers of
// ten are the correctly rounded ones of a generated table. The value is nudged up by one unit in
// the last place before and after rounding, so that a stored 0.1499... of a written 0.15 rounds as
// 0.15; halves round away from zero; at most 17 integer digits are significant and later ones are
// written as zeros; exponents have at least three digits. Up to the 15 significant digits a double
// always holds, the fraction digits are exact; a 16th comes from multiplication by ten.
//
// Choices of our own:
// - 'a' writes zero as 0x0.<zeros>p+0 and a subnormal as 0x0.<fraction>p-1022, so that both forms
//   stay exact like those of normal values (the fraction digits are cut, not rounded).
// - 'g' with precision 0 counts as precision 1; a negative precision counts as none.
// - Double arithmetic cannot round a value of 17 or more integer digits, nor one that 10^P times
//   reaches 2^52, where a double has no fraction left to round (or overflows). Those values are
//   written with the digits of their exact value, rounded half away from zero at the last digit
//   written (for 17 or more integer digits, the 17th), and without nudges: digits cut one by one
//   from the nudged value would write that value rather than the original, 9 where it carried to
//   the next power of ten (9.9000 for 10.000), and drift above 2^53.
#include "Lang/FloatConversion.h"

#include "Lang/FloatConversionExact.h"
#include "Lang/PowersOfTen.h"
#include "Platform/Crt.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace Lang {
namespace {

constexpr double Ten = 10.0;
constexpr double ExponentFormBelow = 0.0001; // 'g'
constexpr double ExponentFormAbove = 999999.0;
constexpr double FixedFormUpTo = 10.0;
constexpr int DefaultDigits = 6;
constexpr int SignificantIntegerDigits = 17;
constexpr int ExactDigits = 15;      // decimal digits that a double always holds
constexpr int ExactPowersOfTen = 22; // 10^22 is the largest power of ten a double holds exactly
constexpr int ExponentDigits = 3;
constexpr int ExponentBias = 1023;
constexpr int SubnormalExponent = 1 - ExponentBias;
constexpr int FractionBits = 52;
constexpr int HexFractionDigits = FractionBits / 4;
constexpr std::uint64_t FractionMask = (std::uint64_t{1} << FractionBits) - 1;
constexpr double TwoToThe52 = 4503599627370496.0;
constexpr double TwoToThe64 = 18446744073709551616.0;
constexpr int LowestExactPower = -1075; // a double's exact decimal ends at 10^-1074

template <class CharT>
void appendText(std::basic_string<CharT>& text, const char* characters) {
    for (; *characters != '\0'; ++characters)
        text.push_back(static_cast<CharT>(*characters));
}

// The value truncated toward zero; zero below 1 and the largest value from 2^64 on, where a plain
// conversion would be undefined.
std::uint64_t truncateToUnsigned(double value) {
    if (!(value >= 1.0))
        return 0;
    if (value >= TwoToThe64)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(value);
}

// The next larger double of a non-negative finite value.
double nextUp(double value) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) + 1);
}

// Low four bits of the pattern all zeros or all ones: a value that is short in binary or ends in a
// run of ones is left alone by the first nudge.
bool hasUniformLowBits(double value) {
    const auto lowBits = std::bit_cast<std::uint64_t>(value) & 0xF;
    return lowBits == 0x0 || lowBits == 0xF;
}

// 10^n by repeated squaring of 10.0: exact up to 10^22, the rounding functions' own factor beyond.
double powerOfTen(unsigned n) {
    double result = 1.0;
    for (double square = Ten; n != 0; n >>= 1, square *= square) {
        if ((n & 1) != 0)
            result *= square;
    }
    return result;
}

// 10^-e: the factor that turns multiples of 10^e into integers.
double scaleFactor(int e) {
    const unsigned magnitude = e < 0 ? 0u - static_cast<unsigned>(e) : static_cast<unsigned>(e);
    const double power = powerOfTen(magnitude);
    return e > 0 ? 1.0 / power : power;
}

// From 2^52 on, x in units of 10^e is a double without fraction: x is already as close to a
// multiple of 10^e as a double gets (also when the scaled value leaves the double range).
bool hasNoFractionToRound(double x, int e) {
    return !(std::fabs(scaleFactor(e) * x) < TwoToThe52);
}

// Applies `toInteger` to x in units of 10^e. Where x has no fraction to round it is returned
// unchanged; rounding it anyway would only add the errors of the multiplication and division. A
// factor of zero (10^e beyond the double range) leaves the integer itself, which is then zero.
template <class ToInteger>
double toMultipleOfPowerOfTen(double x, int e, ToInteger toInteger) {
    if (hasNoFractionToRound(x, e))
        return x;
    const double k = scaleFactor(e);
    const double integer = toInteger(k * x);
    return k == 0.0 ? integer : integer / k;
}

// The double nearest to 10^n: zero below the table, infinity above it.
double nearestPowerOfTen(int n) {
    if (n < minPowerOfTen)
        return 0.0;
    if (n > maxPowerOfTen)
        return std::numeric_limits<double>::infinity();
    return powersOfTen[n - minPowerOfTen];
}

// The smallest n with value < 10^n (the nearest double to it) for value > 0, and 0 for 0: the
// number of integer digits from 1 on (100 gives 3), zero or less below 1 (0.1 gives 0, 0.05 gives
// -1). A value that is the double nearest to 10^n counts as 10^n (1e23 has 24 digits).
int integerDigitCount(double value) {
    if (value == 0.0)
        return 0;
    const auto above = std::upper_bound(std::begin(powersOfTen), std::end(powersOfTen), value);
    return minPowerOfTen + static_cast<int>(above - std::begin(powersOfTen));
}

// Precision as the conversion uses it: -1 for none, 'f' defaults to 6 and 'g' asks for at least 1.
int effectivePrecision(const FloatOptions& options) {
    if (options.precision < 0)
        return options.conversion == 'f' ? DefaultDigits : -1;
    if (options.conversion == 'g')
        return std::max(options.precision, 1);
    return options.precision;
}

bool usesExponentForm(char conversion, int precision, double magnitude) {
    if (conversion != 'g')
        return conversion == 'e';
    if (magnitude == 0.0)
        return false;
    if (magnitude < ExponentFormBelow || magnitude > ExponentFormAbove)
        return true;
    if (magnitude <= FixedFormUpTo)
        return false;
    // log10 of the magnitude above the precision. Without a precision the bound reads as 2^32 - 1
    // and is never exceeded.
    return precision >= 0 && magnitude > nearestPowerOfTen(precision);
}

// Digits after the point: the precision for 'e' and 'f'; for 'g', and without a precision, the
// significant digits left over by the integer digits.
int fractionDigitCount(char conversion, int precision, int integerDigits) {
    if (precision != -1 && conversion != 'g')
        return precision;
    const long long significant = precision == -1 ? DefaultDigits : precision;
    return static_cast<int>(std::clamp<long long>(significant - integerDigits, 0, INT_MAX));
}

template <class CharT>
void appendSign(std::basic_string<CharT>& text, const FloatOptions& options, double value) {
    if (value < 0.0)
        text.push_back('-');
    else if (value > 0.0 && options.plusSign)
        text.push_back('+');
    else if (options.spaceSign)
        text.push_back(' ');
}

template <class CharT>
void appendUnsigned(std::basic_string<CharT>& text, std::uint64_t value, int minimumDigits) {
    const std::size_t start = text.size();
    for (int count = 0; value != 0 || count < minimumDigits; ++count, value /= 10)
        text.push_back(static_cast<CharT>('0' + value % 10));
    std::reverse(text.begin() + static_cast<std::ptrdiff_t>(start), text.end());
}

template <class CharT>
void appendExponent(std::basic_string<CharT>& text, int exponent, int minimumDigits) {
    text.push_back(exponent < 0 ? '-' : '+');
    const unsigned magnitude =
        exponent < 0 ? 0u - static_cast<unsigned>(exponent) : static_cast<unsigned>(exponent);
    appendUnsigned(text, magnitude, minimumDigits);
}

// A non-negative value as mantissa times 10^exponent.
struct Decimal {
    double mantissa;
    int exponent;
};

// Into [1, 10) by repeated multiplication or division by ten; zero stays zero.
Decimal normalised(double value) {
    Decimal decimal{value, 0};
    for (; decimal.mantissa > 0.0 && decimal.mantissa < 1.0; decimal.mantissa *= Ten)
        --decimal.exponent;
    for (; decimal.mantissa >= Ten; decimal.mantissa /= Ten)
        ++decimal.exponent;
    return decimal;
}

// The first nudge, for values of fewer than 6 integer digits.
double firstNudge(double value, int integerDigits) {
    return integerDigits < DefaultDigits && !hasUniformLowBits(value) ? nextUp(value) : value;
}

// Double arithmetic can round the nudged value to `fractionDigits` places: it has fewer than 17
// integer digits and a fraction left at that place.
bool canRound(double nudged, int integerDigits, int fractionDigits) {
    return integerDigits < SignificantIntegerDigits && !hasNoFractionToRound(nudged, -fractionDigits);
}

// Rounds the nudged mantissa to `fractionDigits` places, then nudges it up once more so that
// cutting the fraction digits one by one does not lose a last digit to a value stored just below
// it. In the exponent form a carry to ten moves into the exponent.
Decimal roundedForDigits(Decimal nudged, bool exponentForm, int fractionDigits) {
    Decimal decimal{roundToPowerOfTen(nudged.mantissa, -fractionDigits), nudged.exponent};
    if (exponentForm && decimal.mantissa >= Ten) {
        decimal.mantissa /= Ten;
        ++decimal.exponent;
    }
    if (integerDigitCount(decimal.mantissa) < DefaultDigits && decimal.mantissa != 0.0)
        decimal.mantissa = nextUp(decimal.mantissa);
    return decimal;
}

// Writes the integer digits of a value below 2^52, where they are exact, and returns the fraction.
template <class CharT>
double appendIntegerPart(std::basic_string<CharT>& text, double value) {
    const std::uint64_t integer = truncateToUnsigned(value);
    appendUnsigned(text, integer, 1);
    return value - static_cast<double>(integer);
}

// The fraction as an integer of `fractionDigits` digits, rounded: the value may be stored just below
// the decimal that rounding made of it, which cutting digits one by one would turn into a last digit
// one too small (0.00048 as 0.000479).
template <class CharT>
void appendScaledFraction(std::basic_string<CharT>& text, double fraction, int fractionDigits) {
    std::uint64_t scaled = truncateToUnsigned(std::floor(fraction * powerOfTen(fractionDigits) + 0.5));
    text.append(static_cast<std::size_t>(fractionDigits), '0');
    auto position = text.end();
    for (int i = 0; i < fractionDigits; ++i, scaled /= 10)
        *--position = static_cast<CharT>('0' + scaled % 10);
}

// Digits are exact while the significant digits written (integer digits plus fraction digits, less
// the zeros after the point of a value below 1) stay within those a double holds; further ones come
// from repeated multiplication by ten and may drift in the last places.
template <class CharT>
void appendFraction(std::basic_string<CharT>& text, double fraction, int fractionDigits, int integerDigits) {
    const long long significantDigits = static_cast<long long>(integerDigits) + fractionDigits;
    if (significantDigits <= ExactDigits && fractionDigits <= ExactPowersOfTen)
        return appendScaledFraction(text, fraction, fractionDigits);
    for (int i = 0; i < fractionDigits; ++i) {
        fraction *= Ten;
        const std::uint64_t digit = truncateToUnsigned(fraction);
        text.push_back(static_cast<CharT>('0' + digit));
        fraction -= static_cast<double>(digit);
    }
}

// 'g' drops trailing zeros; the text of the conversion starts at `start`.
template <class CharT>
void trimTrailingZeros(std::basic_string<CharT>& text, std::size_t start) {
    while (text.size() - start > 2 && text.back() == '0')
        text.pop_back();
}

// The digits the rounding produced: integer digits, the point if asked for, fraction digits.
// Returns the exponent.
template <class CharT>
int appendRoundedDigits(std::basic_string<CharT>& text, Decimal nudged, bool exponentForm, int fractionDigits,
                        bool point) {
    const Decimal decimal = roundedForDigits(nudged, exponentForm, fractionDigits);
    const double fraction = appendIntegerPart(text, decimal.mantissa);
    if (point)
        text.push_back('.');
    appendFraction(text, fraction, fractionDigits, integerDigitCount(decimal.mantissa));
    return decimal.exponent;
}

// The digits of `decimal` from 10^first down to 10^last.
template <class CharT>
void appendDigits(std::basic_string<CharT>& text, const Private::DecimalDigits& decimal, long long first,
                  long long last) {
    for (long long power = first; power >= last; --power)
        text.push_back(static_cast<CharT>(decimal.digitAt(power)));
}

// The place of the last significant digit written: the `fractionDigits`-th after the point, or after
// the first digit in the exponent form; of 17 or more integer digits the 17th.
long long lastWrittenPower(const Private::DecimalDigits& decimal, bool exponentForm, int fractionDigits) {
    if (exponentForm)
        return decimal.firstPower - static_cast<long long>(fractionDigits);
    if (decimal.firstPower >= SignificantIntegerDigits - 1)
        return decimal.firstPower - (SignificantIntegerDigits - 1);
    return -static_cast<long long>(fractionDigits);
}

// The exact value rounded at its last significant digit written. Returns the exponent.
template <class CharT>
int appendExactDigits(std::basic_string<CharT>& text, double magnitude, bool exponentForm, int fractionDigits,
                      bool point) {
    Private::DecimalDigits decimal = Private::exactDecimal(magnitude);
    const long long last = lastWrittenPower(decimal, exponentForm, fractionDigits);
    Private::roundAt(decimal, static_cast<int>(std::max<long long>(last, LowestExactPower)));
    const int exponent = exponentForm && !decimal.digits.empty() ? decimal.firstPower : 0;
    appendDigits(text, decimal, exponentForm ? exponent : std::max(decimal.firstPower, 0), exponent);
    if (point)
        text.push_back('.');
    appendDigits(text, decimal, exponent - 1LL, static_cast<long long>(exponent) - fractionDigits);
    return exponent;
}

template <class CharT>
void appendDecimal(std::basic_string<CharT>& text, const FloatOptions& options, double value) {
    const std::size_t start = text.size();
    const int precision = effectivePrecision(options);
    const double magnitude = std::fabs(value);
    const bool exponentForm = usesExponentForm(options.conversion, precision, magnitude);
    appendSign(text, options, value);

    const Decimal unrounded = exponentForm ? normalised(magnitude) : Decimal{magnitude, 0};
    const int integerDigits = integerDigitCount(unrounded.mantissa);
    const int fractionDigits = fractionDigitCount(options.conversion, precision, integerDigits);
    const Decimal nudged{firstNudge(unrounded.mantissa, integerDigits), unrounded.exponent};
    const bool point = precision != 0 || options.alternateForm;
    const int exponent = canRound(nudged.mantissa, integerDigits, fractionDigits)
                             ? appendRoundedDigits(text, nudged, exponentForm, fractionDigits, point)
                             : appendExactDigits(text, magnitude, exponentForm, fractionDigits, point);
    if (options.conversion == 'g')
        trimTrailingZeros(text, start);
    if (!options.alternateForm && text.back() == '.')
        text.pop_back();
    if (exponentForm) {
        text.push_back(options.upperCase ? 'E' : 'e');
        appendExponent(text, exponent, ExponentDigits);
    }
}

template <class CharT>
void appendHexadecimal(std::basic_string<CharT>& text, const FloatOptions& options, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto exponentField = static_cast<int>((bits >> FractionBits) & 0x7FF);
    const std::uint64_t fractionField = bits & FractionMask;
    const bool subnormal = exponentField == 0;
    const char* hexDigits = options.upperCase ? "0123456789ABCDEF" : "0123456789abcdef";

    appendSign(text, options, value);
    appendText(text, options.upperCase ? "0X" : "0x");
    text.push_back(subnormal ? '0' : '1');
    text.push_back('.');
    const int precision = options.precision < 0 ? DefaultDigits : options.precision;
    for (int i = 0; i < precision; ++i) {
        const int shift = FractionBits - 4 * (i + 1);
        text.push_back(i < HexFractionDigits ? hexDigits[(fractionField >> shift) & 0xF] : '0');
    }
    text.push_back(options.upperCase ? 'P' : 'p');
    const int exponent = value == 0.0 ? 0 : subnormal ? SubnormalExponent : exponentField - ExponentBias;
    appendExponent(text, exponent, 1);
}

} // namespace

double roundToPowerOfTen(double x, int e) {
    return toMultipleOfPowerOfTen(
        x, e, [x](double scaled) { return x >= 0.0 ? std::floor(scaled + 0.5) : std::ceil(scaled - 0.5); });
}

double ceilToPowerOfTen(double x, int e) {
    return toMultipleOfPowerOfTen(x, e, [](double scaled) { return std::ceil(scaled); });
}

template <class CharT>
void appendFloat(std::basic_string<CharT>& scratch, const FloatOptions& options, double value) {
    if (_isnan(value))
        return appendText(scratch, "NaN");
    // Kept: an infinity of either sign is written as inf, without a sign.
    if (!_finite(value))
        return appendText(scratch, "inf");
    if (options.conversion == 'a')
        return appendHexadecimal(scratch, options, value);
    appendDecimal(scratch, options, value);
}

template void appendFloat<char>(std::string&, const FloatOptions&, double);
template void appendFloat<char16_t>(std::u16string&, const FloatOptions&, double);

} // namespace Lang
