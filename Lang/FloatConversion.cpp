// The floating-point conversions 'e', 'f', 'g' and 'a': digits by floating-point arithmetic.
//
// Decimal digits come from log10, pow and multiplication by ten, never from a library formatting
// routine. The value is nudged up by one unit in the last place before and after rounding, so that
// a stored 0.1499... of a written 0.15 rounds as 0.15; halves round away from zero; at most 17
// integer digits are significant and later ones are written as zeros; exponents have at least
// three digits. Up to the 15 significant digits a double always holds, the fraction digits are
// exact; further ones come from repeated multiplication by ten and may drift in the last places.
//
// Choices of our own:
// - 'a' writes zero as 0x0.<zeros>p+0 and a subnormal as 0x0.<fraction>p-1022, so that both forms
//   stay exact like those of normal values (the fraction digits are cut, not rounded).
// - 'g' with precision 0 counts as precision 1; a negative precision counts as none.
// - Rounding leaves a value alone once 10^P times it reaches 2^52, where a double has no fraction
//   left to round; this covers precisions whose 10^P overflows. All P digits are still written.
#include "Lang/FloatConversion.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

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

// The digit of a value in [0, 10), clamped to '0'..'9': beyond 2^53 the value of the digits
// already written is rounded, so the remainder they leave can come out just below zero or at ten.
template <class CharT>
CharT decimalDigit(double value) {
    return static_cast<CharT>('0' + std::min<std::uint64_t>(truncateToUnsigned(value), 9));
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

// 10^n by repeated squaring of 10.0.
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

// Applies `toInteger` to x in units of 10^e. From 2^52 on a scaled double has no fraction left,
// so x is already as close to a multiple of 10^e as a double gets and is returned unchanged (also
// when the scaled value leaves the double range); rounding it anyway would only add the errors of
// the multiplication and division. A factor of zero (10^e beyond the double range) leaves the
// integer itself, which is then zero.
template <class ToInteger>
double toMultipleOfPowerOfTen(double x, int e, ToInteger toInteger) {
    const double k = scaleFactor(e);
    const double scaled = k * x;
    if (!(std::fabs(scaled) < TwoToThe52))
        return x;
    const double integer = toInteger(scaled);
    return k == 0.0 ? integer : integer / k;
}

// The smallest n with value < 10^n for value > 0, and 0 for 0: the number of integer digits from 1
// on (100 gives 3), zero or less below 1 (0.1 gives 0, 0.05 gives -1). log10 alone is off by one
// just above a power of ten, where it rounds to the integer, so the count is settled by comparison.
int integerDigitCount(double value) {
    if (value == 0.0)
        return 0;
    int count = static_cast<int>(std::ceil(std::log10(value)));
    while (value >= std::pow(Ten, count))
        ++count;
    while (value < std::pow(Ten, count - 1))
        --count;
    return count;
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
    // Without a precision the bound reads as 2^32 - 1 and is never exceeded.
    return std::log10(magnitude) > static_cast<double>(static_cast<std::uint32_t>(precision));
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
void appendUnsigned(std::basic_string<CharT>& text, unsigned value, int minimumDigits) {
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

// First nudge and rounding to `fractionDigits` places; values of 17 or more integer digits are not
// rounded.
double rounded(double value, int integerDigits, int fractionDigits) {
    if (integerDigits < DefaultDigits && !hasUniformLowBits(value))
        value = nextUp(value);
    if (integerDigits >= SignificantIntegerDigits)
        return value;
    return roundToPowerOfTen(value, -fractionDigits);
}

// Writes the integer digits of `value` (`integerDigits` of them, the first 17 significant) and
// returns the fraction that is left.
template <class CharT>
double appendIntegerPart(std::basic_string<CharT>& text, double value, int integerDigits) {
    if (value < 1.0) {
        text.push_back('0');
        return value;
    }
    const int significant = std::min(integerDigits, SignificantIntegerDigits);
    std::uint64_t prefix = 0; // the digits written so far
    double written = 0.0;     // their value
    for (int i = 0; i < significant; ++i) {
        const double unit = std::pow(Ten, integerDigits - 1 - i);
        const CharT digit = decimalDigit<CharT>((value - written) / unit);
        text.push_back(digit);
        prefix = prefix * 10 + static_cast<unsigned>(digit - '0');
        written = static_cast<double>(prefix) * unit;
    }
    if (integerDigits < SignificantIntegerDigits)
        return value - written;
    text.append(static_cast<std::size_t>(integerDigits - SignificantIntegerDigits), '0');
    return 0.0;
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
        text.push_back(decimalDigit<CharT>(fraction));
        fraction -= static_cast<double>(truncateToUnsigned(fraction));
    }
}

// 'g' drops trailing zeros; the text of the conversion starts at `start`.
template <class CharT>
void trimTrailingZeros(std::basic_string<CharT>& text, std::size_t start) {
    while (text.size() - start > 2 && text.back() == '0')
        text.pop_back();
}

template <class CharT>
void appendDecimal(std::basic_string<CharT>& text, const FloatOptions& options, double value) {
    const std::size_t start = text.size();
    const int precision = effectivePrecision(options);
    const double magnitude = std::fabs(value);
    const bool exponentForm = usesExponentForm(options.conversion, precision, magnitude);
    appendSign(text, options, value);

    Decimal decimal = exponentForm ? normalised(magnitude) : Decimal{magnitude, 0};
    const int integerDigits = integerDigitCount(decimal.mantissa);
    const int fractionDigits = fractionDigitCount(options.conversion, precision, integerDigits);
    decimal.mantissa = rounded(decimal.mantissa, integerDigits, fractionDigits);
    if (exponentForm && decimal.mantissa >= Ten) {
        decimal.mantissa /= Ten;
        ++decimal.exponent;
    }
    const int roundedIntegerDigits = integerDigitCount(decimal.mantissa);
    if (roundedIntegerDigits < DefaultDigits && decimal.mantissa != 0.0)
        decimal.mantissa = nextUp(decimal.mantissa);

    const double fraction = appendIntegerPart(text, decimal.mantissa, roundedIntegerDigits);
    if (precision != 0 || options.alternateForm)
        text.push_back('.');
    appendFraction(text, fraction, fractionDigits, roundedIntegerDigits);
    if (options.conversion == 'g')
        trimTrailingZeros(text, start);
    if (!options.alternateForm && text.back() == '.')
        text.pop_back();
    if (exponentForm) {
        text.push_back(options.upperCase ? 'E' : 'e');
        appendExponent(text, decimal.exponent, ExponentDigits);
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
    if (std::isnan(value))
        return appendText(scratch, "NaN");
    if (!std::isfinite(value))
        return appendText(scratch, "inf");
    if (options.conversion == 'a')
        return appendHexadecimal(scratch, options, value);
    appendDecimal(scratch, options, value);
}

template void appendFloat<char>(std::string&, const FloatOptions&, double);
template void appendFloat<char16_t>(std::u16string&, const FloatOptions&, double);

} // namespace Lang
