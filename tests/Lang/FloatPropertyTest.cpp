// Compares the 'f' and 'e' conversions with the C library's exact decimal conversion on many
// random doubles; every difference must belong to one of the known classes below.
//
// The conversion computes digits with double arithmetic, so it departs from exact conversion:
// - TieAwayFromZero: a value exactly on a half rounds away from zero; the reference rounds to
//   even (%.0f of 2.5 is 3, not 2).
// - NudgedUp: the value is pushed up by one unit in the last place before rounding, so a stored
//   0.1499... of a written 0.15 rounds up; the text is the reference of the value one or two units
//   in the last place further from zero.
// - NormalisationDrift ('e'): the texts are one unit of the last written place apart and the value
//   lies within the error of the scaling into [1, 10) of the half between them; each
//   multiplication or division by ten there adds up to half a unit in the last place.
// Texts of 16 or more significant digits go past what a double holds, and two more classes apply:
// - BeyondSeventeenDigits: the first 17 significant digits agree; later ones are zeros (integer
//   digits after the 17th) or come from repeated multiplication (far fraction digits).
// - LastPlacesDrift: read back, the text lies within two units of the value's 16th significant
//   digit: past 15 digits, fraction digits are cut where the reference rounds them, and above 2^53
//   the integer digits come from rounded products.
#include "Lang/FloatConversion.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Difference {
    None,
    TieAwayFromZero,
    NudgedUp,
    NormalisationDrift,
    BeyondSeventeenDigits,
    LastPlacesDrift,
    Unexplained,
};

constexpr std::array kDifferenceNames = {
    "exact",
    "tie away from zero",
    "nudged up",
    "normalisation drift",
    "beyond 17 digits",
    "last places drift",
    "unexplained",
};

constexpr int kValueCount = 100000;
constexpr int kMaxPrecision = 10;
constexpr int kSignificantDigits = 17;
constexpr int kHeldDigits = 15;
constexpr int kTieCheckDigits = 40;

std::string engineText(char conversion, int precision, double value) {
    std::string text;
    Lang::appendFloat(text, Lang::FloatOptions{conversion, false, precision, false, false, false}, value);
    return text;
}

// The C library's text with the exponent widened to three digits, as the engine writes it.
std::string referenceText(char conversion, int precision, double value) {
    const char format[] = {'%', '.', '*', conversion, '\0'};
    const int length = std::snprintf(nullptr, 0, format, precision, value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, precision, value);
    text.pop_back();
    const std::size_t exponent = text.find('e');
    if (exponent != std::string::npos && text.size() - exponent == 4)
        text.insert(exponent + 2, "0");
    return text;
}

double awayFromZero(double value, int units) {
    for (int i = 0; i < units; ++i)
        value = std::nextafter(value, std::copysign(std::numeric_limits<double>::infinity(), value));
    return value;
}

// The exact value has a 5 right after the last written digit and nothing after it.
bool isExactHalf(char conversion, int precision, double value) {
    const std::string text = referenceText(conversion, precision + kTieCheckDigits, value);
    const std::size_t point = text.find('.');
    const std::size_t cut = point + 1 + static_cast<std::size_t>(precision);
    const std::string tail = text.substr(cut, kTieCheckDigits);
    return tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Same shape and the same first 17 significant digits; the exponent must agree too.
bool agreeInSeventeenDigits(const std::string& engine, const std::string& reference) {
    if (engine.size() != reference.size())
        return false;
    int significant = 0;
    bool inExponent = false;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        inExponent = inExponent || reference[i] == 'e';
        const bool free = !inExponent && isDigit(reference[i]) && significant >= kSignificantDigits;
        if (!free && engine[i] != reference[i])
            return false;
        if (!inExponent && isDigit(reference[i]) && (significant > 0 || reference[i] != '0'))
            ++significant;
    }
    return true;
}

long double parsed(const std::string& text) {
    return std::strtold(text.c_str(), nullptr);
}

int decimalExponent(double value) {
    return static_cast<int>(std::floor(std::log10(std::fabs(value))));
}

// Digits from the first non-zero one up to the exponent.
int significantDigits(const std::string& text) {
    int count = 0;
    for (std::size_t i = 0; i < text.size() && text[i] != 'e'; ++i)
        count += isDigit(text[i]) && (count > 0 || text[i] != '0') ? 1 : 0;
    return count;
}

bool withinSixteenthDigit(const std::string& engine, double value) {
    const long double unit = std::pow(10.0L, decimalExponent(value) - kHeldDigits);
    return std::fabs(parsed(engine) - value) <= 2 * unit;
}

// One unit of the last place apart, with the value within the scaling error of the half between.
bool isNormalisationDrift(int precision, const std::string& engine, const std::string& reference,
                          double value) {
    const int exponent = decimalExponent(value);
    const long double unit = std::pow(10.0L, exponent - precision);
    const long double engineValue = parsed(engine);
    const long double referenceValue = parsed(reference);
    if (std::fabs(std::fabs(engineValue - referenceValue) - unit) > unit * 0.001L)
        return false;
    const long double half = (engineValue + referenceValue) / 2;
    const long double ulp = std::ldexp(1.0L, std::ilogb(value) - 52);
    return std::fabs(static_cast<long double>(value) - half) <= (std::abs(exponent) + 4) * ulp;
}

Difference classify(char conversion, int precision, double value, const std::string& engine,
                    const std::string& reference) {
    if (engine == reference)
        return Difference::None;
    const bool matchesNextUp = engine == referenceText(conversion, precision, awayFromZero(value, 1));
    if (matchesNextUp && isExactHalf(conversion, precision, value))
        return Difference::TieAwayFromZero;
    if (matchesNextUp || engine == referenceText(conversion, precision, awayFromZero(value, 2)))
        return Difference::NudgedUp;
    if (conversion == 'e' && isNormalisationDrift(precision, engine, reference, value))
        return Difference::NormalisationDrift;
    if (significantDigits(reference) <= kHeldDigits)
        return Difference::Unexplained;
    if (agreeInSeventeenDigits(engine, reference))
        return Difference::BeyondSeventeenDigits;
    if (withinSixteenthDigit(engine, value))
        return Difference::LastPlacesDrift;
    return Difference::Unexplained;
}

double withRandomSign(std::mt19937_64& random, double value) {
    return (random() & 1) != 0 ? -value : value;
}

// Any finite double, subnormals included: a random fraction and exponent field.
double anyDouble(std::mt19937_64& random) {
    const std::uint64_t exponentField = std::uniform_int_distribution<std::uint64_t>(0, 2046)(random);
    const std::uint64_t fraction = random() & ((std::uint64_t{1} << 52) - 1);
    return withRandomSign(random, std::bit_cast<double>(exponentField << 52 | fraction));
}

// A random mantissa times 2^-40 .. 2^70: the range where 'f' writes meaningful digits.
double moderateDouble(std::mt19937_64& random) {
    const double mantissa = std::uniform_real_distribution<double>(1.0, 2.0)(random);
    return withRandomSign(random, std::ldexp(mantissa, std::uniform_int_distribution<int>(-40, 70)(random)));
}

// m / 10^j: the values written in programs, where halves and near-halves live.
double shortDecimal(std::mt19937_64& random) {
    const auto digits = static_cast<double>(std::uniform_int_distribution<int>(1, 10000000)(random));
    const double scale = std::pow(10.0, std::uniform_int_distribution<int>(0, 9)(random));
    return withRandomSign(random, digits / scale);
}

std::vector<double> randomValues() {
    std::mt19937_64 random(20240611);
    std::vector<double> values;
    for (int i = 0; i < kValueCount; ++i) {
        switch (i % 3) {
        case 0:
            values.push_back(anyDouble(random));
            break;
        case 1:
            values.push_back(moderateDouble(random));
            break;
        default:
            values.push_back(shortDecimal(random));
        }
    }
    return values;
}

struct Tally {
    std::array<int, kDifferenceNames.size()> counts{};
    int total = 0;
    int held = 0; // texts within the 15 digits a double holds
    int heldExact = 0;

    int count(Difference difference) const { return counts[static_cast<std::size_t>(difference)]; }
};

void print(char conversion, const Tally& tally) {
    std::printf("%%%c against the C library, %d texts:\n", conversion, tally.total);
    for (std::size_t i = 0; i < tally.counts.size(); ++i)
        std::printf("  %-20s %8d\n", kDifferenceNames[i], tally.counts[i]);
    std::printf("  exact within 15 significant digits: %d of %d\n", tally.heldExact, tally.held);
}

void checkAgainstReference(char conversion) {
    Tally tally;
    for (double value : randomValues()) {
        for (int precision = 0; precision <= kMaxPrecision; ++precision) {
            const std::string engine = engineText(conversion, precision, value);
            const std::string reference = referenceText(conversion, precision, value);
            const Difference difference = classify(conversion, precision, value, engine, reference);
            ++tally.counts[static_cast<std::size_t>(difference)];
            ++tally.total;
            if (significantDigits(reference) <= kHeldDigits) {
                ++tally.held;
                tally.heldExact += difference == Difference::None ? 1 : 0;
            }
            if (difference == Difference::Unexplained && tally.count(difference) <= 20)
                ADD_FAILURE() << "%." << precision << conversion << " of " << std::hexfloat << value
                              << ": engine " << engine << ", reference " << reference;
        }
    }
    print(conversion, tally);
    EXPECT_EQ(tally.count(Difference::Unexplained), 0);
    EXPECT_GT(tally.count(Difference::None), tally.total * 3 / 4);
    EXPECT_GT(tally.heldExact, tally.held * 99 / 100);
}

TEST(FloatPropertyTest, FixedFormMatchesExactConversionUpToKnownDifferences) {
    checkAgainstReference('f');
}

TEST(FloatPropertyTest, ExponentFormMatchesExactConversionUpToKnownDifferences) {
    checkAgainstReference('e');
}

} // namespace
