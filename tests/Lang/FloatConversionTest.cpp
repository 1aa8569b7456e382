// Tests of the floating-point conversions, directly and through both format front-ends.
#include "Lang/FloatConversion.h"
#include "Lang/StringCast.h"

#include "Lang/FormatString.h"
#include "Lang/PowersOfTen.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSmallestSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kSmallestNormal = std::numeric_limits<double>::min();
constexpr double kLargest = std::numeric_limits<double>::max();

struct Case {
    const char* directive;
    double value;
    std::string expected;
};

// The FloatOptions of a directive such as "%+.2f"; a width is skipped (padding is the engine's).
Lang::FloatOptions optionsOf(const std::string& directive) {
    Lang::FloatOptions options{'f', false, -1, false, false, false};
    std::size_t i = 1;
    for (; directive[i] == '+' || directive[i] == ' ' || directive[i] == '#' || directive[i] == '-'; ++i) {
        options.plusSign |= directive[i] == '+';
        options.spaceSign |= directive[i] == ' ';
        options.alternateForm |= directive[i] == '#';
    }
    while (std::isdigit(static_cast<unsigned char>(directive[i])))
        ++i;
    if (directive[i] == '.') {
        options.precision = 0;
        for (++i; std::isdigit(static_cast<unsigned char>(directive[i])); ++i)
            options.precision = options.precision * 10 + (directive[i] - '0');
    }
    const char conversion = directive[i];
    options.conversion = static_cast<char>(std::tolower(static_cast<unsigned char>(conversion)));
    options.upperCase = conversion != options.conversion;
    return options;
}

std::u16string widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string convertNarrow(const char* directive, double value) {
    std::string text;
    Lang::appendFloat(text, optionsOf(directive), value);
    return text;
}

std::string convertWide(const char* directive, double value) {
    std::u16string text;
    Lang::appendFloat(text, optionsOf(directive), value);
    return Xtl::string_cast<std::string>(text);
}

std::string formatNarrow(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = Lang::formatString(format, arguments);
    va_end(arguments);
    return text;
}

std::string formatWide(const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::u16string text = Lang::formatWideString(format, arguments);
    va_end(arguments);
    return Xtl::string_cast<std::string>(text);
}

std::string rowName(const Case& c) {
    std::ostringstream name;
    name.precision(17);
    name << c.directive << " of " << c.value;
    return name.str();
}

// Every row through both instantiations of the conversion and through both front-ends.
void expectConversions(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(convertNarrow(c.directive, c.value), c.expected) << rowName(c);
        EXPECT_EQ(convertWide(c.directive, c.value), c.expected) << rowName(c) << " (wide)";
        EXPECT_EQ(formatNarrow(c.directive, c.value), c.expected) << rowName(c) << " (formatString)";
        EXPECT_EQ(formatWide(widen(c.directive).c_str(), c.value), c.expected)
            << rowName(c) << " (formatWideString)";
    }
}

TEST(FloatConversionTest, FixedFormRoundsHalvesUpAfterTheNudge) {
    expectConversions({
        {"%f", 3.14159, "3.141590"},
        {"%.2f", 0.125, "0.13"},
        {"%.1f", 0.15, "0.2"},
        {"%.2f", 2.675, "2.68"},
        {"%.2f", 1.005, "1.01"},
        {"%.0f", 2.5, "3"},
        {"%.0f", -2.5, "-3"},
        {"%.0f", 0.5, "1"},
        {"%.1f", 99.99, "100.0"},
        {"%.0f", 1.0, "1"},
        {"%#.0f", 1.0, "1."},
        {"%.3f", 0.0005, "0.001"},
        {"%.2f", -0.001, "-0.00"},
        {"%f", 123456.789, "123456.789000"},
        {"%.10f", 0.1, "0.1000000000"},
        {"%F", 1.5, "1.500000"},
    });
}

// Rounded values stored just below their decimal keep their last digit.
TEST(FloatConversionTest, FixedFormKeepsTheLastDigitOfRoundedValues) {
    expectConversions({
        {"%f", 0.00048, "0.000480"},
        {"%.5f", 0.00048, "0.00048"},
        {"%.16f", 0.00048, "0.0004800000000000"},
        {"%.9f", 0.000006231, "0.000006231"},
        {"%.8f", 0.00381566, "0.00381566"},
        {"%.2f", 1234567.89, "1234567.89"},
        {"%.2f", -574215198.67, "-574215198.67"},
        {"%.10g", 123456.789, "123456.789"},
        {"%.1f", 969997427969536.5, "969997427969536.5"},
    });
}

// Only the first 17 integer digits are significant; the 17th is rounded from the exact value, not
// from powers of ten an ulp off (1e23 is 99999999999999991611392).
TEST(FloatConversionTest, FixedFormKeepsSeventeenIntegerDigits) {
    expectConversions({
        {"%f", 1e20, "100000000000000000000.000000"},
        {"%.2f", 1.5e20, "150000000000000000000.00"},
        {"%.0f", 99999999999999999999.0, "100000000000000000000"},
        {"%.0f", -123456789012345678.0, "-123456789012345680"},
        {"%.0f", 1e300 * 10, "10000000000000001" + std::string(285, '0')}, // 1.00000000000000005250e301
        {"%f", 1e23, "99999999999999992000000.000000"},
        {"%.2f", 0x1.f618855579b4ep+690, "10074966667695957" + std::string(192, '0') + ".00"},
        {"%.0f", 999999999999999744.0, "999999999999999740"},
    });
}

// Where 10^P times the value reaches 2^52, double arithmetic has no fraction left to round: the
// digits are those of the exact value, without the nudges, and never 9.9 before a power of ten.
TEST(FloatConversionTest, DigitsDoubleArithmeticCannotRoundAreExact) {
    expectConversions({
        {"%.15f", 9.999999999999998, "9.999999999999998"},
        {"%.16f", 0.9999999999999999, "0.9999999999999999"},
        {"%.15e", 9.999999999999998, "9.999999999999998e+000"},
        {"%.15e", 9.999999999999998e16, "9.999999999999998e+016"},
        {"%.16g", 9.999999999999998, "9.999999999999998"},
        {"%.16g", 99.1, "99.09999999999999"},
        {"%.15e", 480.2, "4.802000000000000e+002"},
        {"%.7f", -574215198.67404127, "-574215198.6740413"},
        {"%.17f", 0.1, "0.10000000000000001"},
        {"%.20f", 0.1, "0.10000000000000000555"},
        {"%.20e", 1.0 / 3.0, "3.33333333333333314830e-001"},
        {"%.0f", 4503599627370497.0, "4503599627370497"},
    });
}

TEST(FloatConversionTest, SignsAndZeros) {
    expectConversions({
        {"%f", -0.0, "0.000000"},
        {"%+f", 0.0, "0.000000"},
        {"%+f", -0.0, "0.000000"},
        {"% f", 0.0, " 0.000000"},
        {"% f", -0.0, " 0.000000"},
        {"%+f", 1.0, "+1.000000"},
        {"% f", 1.0, " 1.000000"},
        {"%+ f", 1.0, "+1.000000"},
        {"% f", -1.0, "-1.000000"},
        {"%+e", 0.0, "0.000000e+000"},
        {"%+g", 2.0, "+2"},
    });
}

TEST(FloatConversionTest, NotFiniteValuesHaveNoSign) {
    expectConversions({
        {"%f", kInfinity, "inf"},
        {"%f", -kInfinity, "inf"},
        {"%+f", kInfinity, "inf"},
        {"% e", -kInfinity, "inf"},
        {"%F", kInfinity, "inf"},
        {"%f", kNaN, "NaN"},
        {"%+G", -kNaN, "NaN"},
        {"%E", kNaN, "NaN"},
        {"%a", kInfinity, "inf"},
        {"%A", kNaN, "NaN"},
    });
}

TEST(FloatConversionTest, ExponentFormHasSixSignificantDigitsAndThreeExponentDigits) {
    expectConversions({
        {"%e", 2.5, "2.50000e+000"},
        {"%e", 12345.678, "1.23457e+004"},
        {"%.3e", 12345.678, "1.235e+004"},
        {"%e", 100.0, "1.00000e+002"},
        {"%e", 9.9999999, "1.00000e+001"},
        {"%e", 0.0, "0.000000e+000"},
        {"%.0e", 9.5, "1e+001"},
        {"%#.0e", 1.0, "1.e+000"},
        {"%E", 1.5, "1.50000E+000"},
        {"%.2e", 0.000123456, "1.23e-004"},
        {"%e", kSmallestSubnormal, "4.94066e-324"},
        {"%e", 1e300, "1.00000e+300"},
        {"%e", -1e-300, "-1.00000e-300"},
        {"%e", kLargest, "1.79769e+308"},
        {"%.10e", 1.0 / 3.0, "3.3333333333e-001"},
    });
}

TEST(FloatConversionTest, GeneralFormChoosesFormAndTrimsZeros) {
    expectConversions({
        {"%g", 0.0, "0"},
        {"%g", 0.0001, "0.0001"},
        {"%g", 0.00001, "1e-005"},
        {"%G", 0.00001, "1E-005"},
        {"%g", 0.5, "0.5"},
        {"%g", 100.0, "100"},
        {"%g", 123456.7, "123457"},
        {"%g", 999999.0, "999999"},
        {"%g", 999999.5, "1e+006"},
        {"%g", 1000000.0, "1e+006"},
        {"%g", 123456789.0, "1.23457e+008"},
        {"%.2g", 1234.0, "1.2e+003"},
        {"%.3g", 42.0, "42"},
        {"%.4g", 1234.5, "1235"},
        {"%.3g", 1234.5, "1.23e+003"},
        {"%g", 0.000123456, "0.000123456"},
        {"%g", -2.5, "-2.5"},
        {"%#g", 1.0, "1."},
        {"%g", 10.0, "10"},
    });
}

// Hexadecimal fraction digits are cut, never rounded.
TEST(FloatConversionTest, HexadecimalFormCutsTheFraction) {
    expectConversions({
        {"%a", 1.0, "0x1.000000p+0"},
        {"%a", 1.5, "0x1.800000p+0"},
        {"%a", -2.0, "-0x1.000000p+1"},
        {"%a", 1.00390625, "0x1.010000p+0"},
        {"%a", 255.5, "0x1.ff0000p+7"},
        {"%.13a", 0.1, "0x1.999999999999ap-4"},
        {"%.3A", 0.1, "0X1.999P-4"},
        {"%.0a", 1.0, "0x1.p+0"},
        {"%.3a", 1.99999, "0x1.fffp+0"},
        {"%.15a", 1.0, "0x1.000000000000000p+0"},
        {"%+a", 1.0, "+0x1.000000p+0"},
        {"%.13a", kSmallestNormal, "0x1.0000000000000p-1022"},
        {"%.13a", kLargest, "0x1.fffffffffffffp+1023"},
    });
}

// Zero and subnormals are written exactly, with the leading digit 0.
TEST(FloatConversionTest, HexadecimalFormOfZeroAndSubnormals) {
    expectConversions({
        {"%a", 0.0, "0x0.000000p+0"},
        {"%a", -0.0, "0x0.000000p+0"},
        {"% A", 0.0, " 0X0.000000P+0"},
        {"%.13a", kSmallestSubnormal, "0x0.0000000000001p-1022"},
        {"%.13a", kSmallestNormal / 2, "0x0.8000000000000p-1022"},
        {"%a", -kSmallestNormal / 2, "-0x0.800000p-1022"},
    });
}

// log10 rounds to the integer just above a power of ten; the integer digits are still all there,
// and 'g' takes the exponent form as for any value above 10^P.
TEST(FloatConversionTest, CountsIntegerDigitsJustAbovePowersOfTen) {
    expectConversions({
        {"%.2g", std::nextafter(100.0, kInfinity), "1e+002"},
        {"%f", 1000000000000000.5, "1000000000000000.500000"},
        {"%f", std::nextafter(100.0, kInfinity), "100.000000"},
        {"%f", std::nextafter(1.0, kInfinity), "1.000000"},
        {"%e", std::nextafter(1.0, kInfinity), "1.00000e+000"},
        {"%e", std::nextafter(1000.0, kInfinity), "1.00000e+003"},
        {"%g", std::nextafter(100000.0, kInfinity), "100000"},
    });
}

// Precision 0 reads as 1, as the fraction digits and the point then agree.
TEST(FloatConversionTest, GeneralFormWithPrecisionZero) {
    expectConversions({
        {"%.0g", 42.0, "4e+001"},
        {"%.0g", 0.5, "0.5"},
        {"%.0g", -10.0, "-10"},
        {"%.0g", 3.0, "3"},
        {"%#.0g", 3.0, "3."},
    });
}

bool isDigits(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

// Above 2^53 the digits come from inexact products: the remainder for the next digit can come out
// at ten units or more. Every character is still a digit, and the text reads back within an ulp.
TEST(FloatConversionTest, IntegerDigitsAboveTwoToThe53StayCloseToTheValue) {
    const double values[] = {
        1152921504606846976.0,    95686823085633840.0,       867123826126677760.0,
        2884500958205659054080.0, 27946894724763591114752.0, 0x1.db799ca9e245bp+315,
    };
    for (double value : values) {
        const std::string text = convertNarrow("%.0f", value);
        EXPECT_TRUE(isDigits(text)) << text;
        const double readBack = std::strtod(text.c_str(), nullptr);
        EXPECT_LE(std::fabs(readBack - value), value - std::nextafter(value, 0.0)) << text;
    }
}

// Beyond 10^308 no rounding happens, but every digit asked for is written.
TEST(FloatConversionTest, HugePrecisionsWriteEveryDigit) {
    struct HugeCase {
        const char* directive;
        double value;
        const char* prefix;
        const char* suffix;
        std::size_t fractionDigits;
    };
    const HugeCase cases[] = {
        {"%.400f", 1.5, "1.500000000000000", "", 400},
        {"%.330f", 1e-310, "0.000", "", 330},
        {"%.400e", 1e300, "1.00000000000000", "e+300", 400},
        {"%.320f", 0.0, "0.000", "", 320},
    };
    for (const HugeCase& c : cases) {
        const std::string text = convertNarrow(c.directive, c.value);
        const std::string suffix = c.suffix;
        const std::size_t point = text.find('.');
        ASSERT_NE(point, std::string::npos) << c.directive;
        EXPECT_EQ(text.rfind(c.prefix, 0), 0u) << c.directive << ": " << text;
        EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix) << c.directive;
        const std::string fraction = text.substr(point + 1, text.size() - point - 1 - suffix.size());
        EXPECT_EQ(fraction.size(), c.fractionDigits) << c.directive;
        EXPECT_TRUE(isDigits(fraction)) << c.directive << ": " << text;
    }
}

TEST(FloatConversionTest, PaddingOfTheFrontEnds) {
    const Case cases[] = {
        {"%5f", kInfinity, "  inf"},   {"%-5f", -kInfinity, "inf  "},    {"%6g", kNaN, "   NaN"},
        {"%-6.2f", 1.5, "1.50  "},     {"%08.2f", -1.5, "000-1.50"},     {"%10e", 1.0, "1.00000e+000"},
        {"%12g", 0.5, "         0.5"}, {"%15a", 1.0, "  0x1.000000p+0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatNarrow(c.directive, c.value), c.expected) << rowName(c);
        EXPECT_EQ(formatWide(widen(c.directive).c_str(), c.value), c.expected) << rowName(c) << " (wide)";
    }
}

// The generated table against the C library's reading of "1e<n>", which rounds correctly too.
TEST(FloatConversionTest, PowersOfTenAreTheNearestDoubles) {
    for (int n = Lang::minPowerOfTen; n <= Lang::maxPowerOfTen; ++n) {
        const std::string text = "1e" + std::to_string(n);
        EXPECT_EQ(Lang::powersOfTen[n - Lang::minPowerOfTen], std::strtod(text.c_str(), nullptr)) << text;
    }
}

TEST(FloatConversionTest, RoundingToPowersOfTen) {
    struct RoundCase {
        double x;
        int e;
        double rounded;
        double ceiling;
    };
    const RoundCase cases[] = {
        {2.5, 0, 3.0, 3.0},
        {-2.5, 0, -3.0, -2.0},
        {2.4999, 0, 2.0, 3.0},
        {2.0, 0, 2.0, 2.0},
        {-2.1, 0, -2.0, -2.0},
        {0.125, -2, 0.13, 0.13},
        {0.121, -2, 0.12, 0.13},
        {123.456, -1, 123.5, 123.5},
        {1250.0, 2, 1300.0, 1300.0},
        {-1250.0, 2, -1300.0, -1200.0},
        {1201.0, 2, 1200.0, 1300.0},
        {1.5, -400, 1.5, 1.5}, // finer than the value's own precision
        {969997427969536.5, -1, 969997427969536.5, 969997427969536.5},
        {4503599627370497.0, 0, 4503599627370497.0, 4503599627370497.0},
        {0.0, -400, 0.0, 0.0},
        {1e300, -100, 1e300, 1e300},
        {1e308, 309, 0.0, 0.0}, // 10^309 is beyond every double
    };
    for (const RoundCase& c : cases) {
        EXPECT_EQ(Lang::roundToPowerOfTen(c.x, c.e), c.rounded) << c.x << " at 10^" << c.e;
        EXPECT_EQ(Lang::ceilToPowerOfTen(c.x, c.e), c.ceiling) << c.x << " at 10^" << c.e;
    }
}

} // namespace
