// Exact decimal digits of doubles: the value m * 2^e as the integer m * 2^e, or as m * 5^-e shifted
// by -e decimal places, converted by multiplication and division on 32-bit limbs.
#include "Lang/FloatConversionExact.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

namespace Lang::Private {
namespace {

constexpr int FractionBits = 52;
constexpr int ExponentBias = 1023;
constexpr std::uint32_t ChunkBase = 1000000000; // nine decimal digits
constexpr int ChunkDigits = 9;
// The largest powers of two and five that fit a limb.
constexpr int LargestPowerOfTwoExponent = 31;
constexpr std::uint32_t LargestPowerOfTwo = std::uint32_t{1} << LargestPowerOfTwoExponent;
constexpr int LargestPowerOfFiveExponent = 13;
constexpr std::uint32_t LargestPowerOfFive = 1220703125;

// An unsigned integer as 32-bit limbs, least significant first.
using Limbs = std::vector<std::uint32_t>;

void multiply(Limbs& number, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : number) {
        const std::uint64_t product = std::uint64_t{limb} * factor + carry;
        limb = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0)
        number.push_back(static_cast<std::uint32_t>(carry));
}

// Multiplies by base^exponent, with `largest` = base^largestExponent the largest power that fits a limb.
void multiplyByPower(Limbs& number, std::uint32_t base, int exponent, std::uint32_t largest,
                     int largestExponent) {
    for (; exponent >= largestExponent; exponent -= largestExponent)
        multiply(number, largest);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent)
        rest *= base;
    multiply(number, rest);
}

// Divides in place and returns the remainder.
std::uint32_t divide(Limbs& number, std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (auto limb = number.rbegin(); limb != number.rend(); ++limb) {
        const std::uint64_t current = remainder << 32 | *limb;
        *limb = static_cast<std::uint32_t>(current / divisor);
        remainder = current % divisor;
    }
    while (!number.empty() && number.back() == 0)
        number.pop_back();
    return static_cast<std::uint32_t>(remainder);
}

// The decimal digits of the integer, most significant first, without leading zeros.
std::string decimalDigits(Limbs number) {
    std::string reversed;
    while (!number.empty()) {
        std::uint32_t chunk = divide(number, ChunkBase);
        for (int i = 0; i < ChunkDigits; ++i, chunk /= 10)
            reversed.push_back(static_cast<char>('0' + chunk % 10));
    }
    while (!reversed.empty() && reversed.back() == '0')
        reversed.pop_back();
    return {reversed.rbegin(), reversed.rend()};
}

} // namespace

char DecimalDigits::digitAt(long long power) const {
    const long long index = firstPower - power;
    if (index < 0 || index >= static_cast<long long>(digits.size()))
        return '0';
    return digits[static_cast<std::size_t>(index)];
}

DecimalDigits exactDecimal(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto exponentField = static_cast<int>(bits >> FractionBits);
    std::uint64_t significand = bits & ((std::uint64_t{1} << FractionBits) - 1);
    if (exponentField != 0)
        significand |= std::uint64_t{1} << FractionBits;
    const int exponent = std::max(exponentField, 1) - ExponentBias - FractionBits;

    Limbs number{static_cast<std::uint32_t>(significand), static_cast<std::uint32_t>(significand >> 32)};
    if (exponent >= 0)
        multiplyByPower(number, 2, exponent, LargestPowerOfTwo, LargestPowerOfTwoExponent);
    else
        multiplyByPower(number, 5, -exponent, LargestPowerOfFive, LargestPowerOfFiveExponent);
    // m * 5^-e counts units of 10^e.
    std::string digits = decimalDigits(number);
    const int firstPower = std::min(exponent, 0) + static_cast<int>(digits.size()) - 1;
    return {std::move(digits), firstPower};
}

void roundAt(DecimalDigits& decimal, int lastPower) {
    const long kept = static_cast<long>(decimal.firstPower) - lastPower + 1;
    if (kept >= static_cast<long>(decimal.digits.size()))
        return;
    const bool roundsUp = kept >= 0 && decimal.digits[static_cast<std::size_t>(kept)] >= '5';
    decimal.digits.resize(static_cast<std::size_t>(std::max(kept, 0L)));
    if (roundsUp) {
        auto digit = decimal.digits.rbegin();
        for (; digit != decimal.digits.rend() && *digit == '9'; ++digit)
            *digit = '0';
        if (digit != decimal.digits.rend()) {
            ++*digit;
        } else { // all nines: the next power of ten
            decimal.digits.assign(1, '1');
            ++decimal.firstPower;
        }
    }
    while (!decimal.digits.empty() && decimal.digits.back() == '0')
        decimal.digits.pop_back();
    if (decimal.digits.empty())
        decimal.firstPower = lastPower;
}

} // namespace Lang::Private
