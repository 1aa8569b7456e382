// Measures the 'f', 'e' and 'g' conversions against the exact values of many doubles, and against
// their algorithm carried out literally.
//
// The conversion computes digits with double arithmetic, nudges values up by a unit in the last
// place before and after rounding and rounds halves away from zero, so its texts are not always the
// nearest decimals of their length, and past the digits a double holds they drift. Each text must
// be at least as near the value as the literal algorithm's, unless it is the very value that the
// algorithm's rounding produced and the literal digit loop loses: cutting digits one by one from a
// value stored just below its decimal writes a last digit one too small (0.000479 for 0.00048),
// which now and then lands nearer the value than the rounding did. The literal loop writes ':' for
// a digit of ten; it is read as ten. Where the literal rounding or a nudge reaches the next power
// of ten, the text must be as near the value as that power: never 9.9000 for 10.000.
//
// The literal algorithm below works step for step in double arithmetic as the conversion's
// algorithm is defined. What that algorithm takes from the library comes from exact sources: powers
// of ten are the correctly rounded ones (read by strtod), the digit count is settled by comparison
// with them, and 'g' compares the magnitude with 10^P for "log10 of the magnitude above P".
#include "Lang/FloatConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr int kValueCount = 5000; // the sanitizers slow every text down several times
#else
constexpr int kValueCount = 20000;
#endif
constexpr int kMaxPrecision = 17; // each value is written with no precision and with 0 to 17
constexpr long kTextsPerValue = 3 * (kMaxPrecision + 2);
constexpr long kReportedFailures = 20;
constexpr int kHeldDigits = 15;   // significant digits that a double always holds
constexpr int kExactDigits = 800; // a double's exact decimal has at most 767 significant digits
constexpr const char* kConversions = "feg";

// ---- Exact decimal numbers ----

// A non-negative decimal: digits, most significant first, without leading or trailing zeros (zero
// has no digits), and the power of ten of the first.
struct Decimal {
    std::vector<int> digits;
    int firstPower = 0;

    int lastPower() const { return firstPower - static_cast<int>(digits.size()) + 1; }
    int digitAt(int power) const {
        const long index = static_cast<long>(firstPower) - power;
        return index >= 0 && index < static_cast<long>(digits.size())
                   ? digits[static_cast<std::size_t>(index)]
                   : 0;
    }
};

// Digits of any value, ten for ':' or minus one included, carried into 0..9; the number must not
// be negative.
Decimal normalised(const std::vector<int>& rawDigits, int firstPower) {
    std::vector<int> digits(rawDigits.rbegin(), rawDigits.rend()); // least significant first
    int carry = 0;
    for (int& digit : digits) {
        const int value = digit + carry;
        carry = value >= 0 ? value / 10 : -((9 - value) / 10);
        digit = value - carry * 10;
    }
    for (; carry > 0; carry /= 10, ++firstPower)
        digits.push_back(carry % 10);
    while (!digits.empty() && digits.back() == 0) {
        digits.pop_back();
        --firstPower;
    }
    const auto firstNonZero = std::find_if(digits.begin(), digits.end(), [](int d) { return d != 0; });
    digits.erase(digits.begin(), firstNonZero);
    return {std::vector<int>(digits.rbegin(), digits.rend()), firstPower};
}

// The magnitude a text writes, exponent included; any character other than the sign, the point and
// the exponent counts as a digit of the value c - '0'.
Decimal parsed(const std::string& text) {
    std::vector<int> digits;
    std::size_t point = std::string::npos;
    int exponent = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == 'e') {
            exponent = std::atoi(text.c_str() + i + 1);
            break;
        }
        if (c == '.')
            point = digits.size();
        else if (c != '-')
            digits.push_back(c - '0');
    }
    const std::size_t integerDigits = point == std::string::npos ? digits.size() : point;
    return normalised(digits, static_cast<int>(integerDigits) - 1 + exponent);
}

// The C library's text of one value with a precision.
std::string formatted(const char* format, int precision, double value) {
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, precision, value)) + 1, '\0');
    text.resize(static_cast<std::size_t>(std::snprintf(text.data(), text.size(), format, precision, value)));
    return text;
}

// glibc writes every digit of a double's exact value.
Decimal exactMagnitude(double value) {
    return parsed(formatted("%.*e", kExactDigits, std::fabs(value)));
}

// The value cut after the digit of 10^power, with a 1 one place further down when anything was
// cut: that compares with every decimal whose last digit is at 10^power or above as the value does.
Decimal cutBelow(const Decimal& value, int power) {
    if (value.digits.empty() || value.lastPower() >= power)
        return value;
    const int kept = std::max(value.firstPower - power + 1, 0);
    std::vector<int> digits(value.digits.begin(), value.digits.begin() + kept);
    if (digits.empty())
        return {{1}, power - 1};
    digits.push_back(1);
    return {digits, value.firstPower};
}

int compare(const Decimal& a, const Decimal& b) {
    if (a.digits.empty() || b.digits.empty())
        return static_cast<int>(!a.digits.empty()) - static_cast<int>(!b.digits.empty());
    if (a.firstPower != b.firstPower)
        return a.firstPower < b.firstPower ? -1 : 1;
    for (int power = a.firstPower, last = std::min(a.lastPower(), b.lastPower()); power >= last; --power) {
        if (a.digitAt(power) != b.digitAt(power))
            return a.digitAt(power) < b.digitAt(power) ? -1 : 1;
    }
    return 0;
}

Decimal distance(const Decimal& a, const Decimal& b) {
    const bool aLarger = compare(a, b) >= 0;
    const Decimal& larger = aLarger ? a : b;
    const Decimal& smaller = aLarger ? b : a;
    if (smaller.digits.empty())
        return larger;
    const int top = larger.firstPower;
    const int bottom = std::min(larger.lastPower(), smaller.lastPower());
    std::vector<int> digits;
    for (int power = top; power >= bottom; --power)
        digits.push_back(larger.digitAt(power) - smaller.digitAt(power));
    return normalised(digits, top);
}

long double approximately(const Decimal& value) {
    long double result = 0;
    const std::size_t count = std::min<std::size_t>(value.digits.size(), 21);
    for (std::size_t i = 0; i < count; ++i)
        result = result * 10 + value.digits[i];
    return result * std::pow(10.0L, value.firstPower - static_cast<int>(count) + 1);
}

// ---- The algorithm, literally ----

constexpr int kPowerRange = 400; // beyond the powers of ten a double reaches, up and down

// The double nearest to 10^n for n in -kPowerRange..kPowerRange: zero far below, infinity above.
const std::vector<double>& decimalPowers() {
    static const std::vector<double> powers = [] {
        std::vector<double> table;
        for (int n = -kPowerRange; n <= kPowerRange; ++n)
            table.push_back(std::strtod(("1e" + std::to_string(n)).c_str(), nullptr));
        return table;
    }();
    return powers;
}

double decimalPower(int n) {
    return decimalPowers()[static_cast<std::size_t>(std::clamp(n, -kPowerRange, kPowerRange) + kPowerRange)];
}

// ceil(log10 value), plus one where value is a power of ten: the smallest n with value < 10^n.
int literalDigitCount(double value) {
    if (value == 0.0)
        return 0;
    const std::vector<double>& powers = decimalPowers();
    return static_cast<int>(std::upper_bound(powers.begin(), powers.end(), value) - powers.begin()) -
           kPowerRange;
}

double nextUp(double value) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) + 1);
}

// Truncations with the out-of-range cases, which the algorithm does not meet, kept defined.
int toInt(double value) {
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

double truncatedUnsigned(double value) {
    return value < 1.0 ? 0.0 : static_cast<double>(static_cast<std::uint64_t>(std::min(value, 1.8e19)));
}

double literalRound(double value, int fractionDigits) {
    double k = 1.0;
    for (double square = 10.0; fractionDigits != 0; fractionDigits >>= 1, square *= square) {
        if ((fractionDigits & 1) != 0)
            k *= square;
    }
    return std::floor(value * k + 0.5) / k;
}

// What the literal algorithm writes, and the values behind it.
struct Literal {
    std::string text;
    int integerDigits; // counted before the second nudge
    int fractionDigits;
    double rounded;                  // after the rounding and both nudges: what the digit loop writes
    int exponent;                    // of the exponent form, 0 in the fixed form
    std::optional<int> reachedPower; // 10^n that the rounding or the second nudge reached
};

bool literalExponentForm(char conversion, int precision, double magnitude) {
    if (conversion != 'g')
        return conversion == 'e';
    if (magnitude == 0.0)
        return false;
    if (magnitude < 0.0001 || magnitude > 999999.0)
        return true;
    return magnitude > 10.0 && precision >= 0 && magnitude > decimalPower(precision);
}

int literalFractionDigits(char conversion, int precision, int digits) {
    if (precision == -1)
        return digits < 6 ? 6 - digits : 0;
    if (conversion == 'g')
        return digits < precision ? precision - digits : 0;
    return precision;
}

void appendLiteralIntegerPart(std::string& text, double& value, int digits) {
    if (value < 1.0) {
        text.push_back('0');
        return;
    }
    double written = 0.0;
    for (int i = 0; i < std::min(digits, 17); ++i) {
        const double unit = decimalPower(digits - 1 - i);
        const int digit = toInt((value - written) / unit);
        text.push_back(digit < 0 ? '0' : static_cast<char>('0' + digit));
        written = truncatedUnsigned(value / unit) * unit;
    }
    if (digits < 17) {
        value -= written;
        return;
    }
    text.append(static_cast<std::size_t>(digits - 17), '0');
    value = 0.0;
}

void appendLiteralExponent(std::string& text, int exponent) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    text += digits;
}

// Steps 4 to 10: normalising, the first nudge, rounding and the second nudge.
Literal literalRounding(char conversion, int precision, double magnitude, bool exponentForm) {
    double value = magnitude;
    int exponent = 0;
    for (; exponentForm && value > 0.0 && value < 1.0; value *= 10.0)
        --exponent;
    for (; exponentForm && value >= 10.0; value /= 10.0)
        ++exponent;
    const int digits = literalDigitCount(value);
    const int fractionDigits = literalFractionDigits(conversion, precision, digits);
    const auto lowBits = std::bit_cast<std::uint64_t>(value) & 0xF;
    if (digits < 6 && lowBits != 0x0 && lowBits != 0xF)
        value = nextUp(value);
    if (digits < 17)
        value = literalRound(value, fractionDigits);
    const int nextPower = digits + exponent; // 10^nextPower is the power of ten above the value
    if (exponentForm && value >= 10.0) {
        value /= 10.0;
        ++exponent;
    }
    const int roundedDigits = literalDigitCount(value);
    if (roundedDigits < 6 && value != 0.0)
        value = nextUp(value);
    const bool reached = value != 0.0 && literalDigitCount(value) + exponent > nextPower;
    const std::optional<int> reachedPower = reached ? std::optional<int>(nextPower) : std::nullopt;
    return {"", roundedDigits, fractionDigits, value, exponent, reachedPower};
}

// %.<precision><conversion> without flags; 'g' reads precision 0 as 1, as the conversion does.
Literal literalConversion(char conversion, int precision, double x) {
    if (conversion == 'f' && precision == -1)
        precision = 6;
    if (conversion == 'g' && precision == 0)
        precision = 1;
    const bool exponentForm = literalExponentForm(conversion, precision, std::fabs(x));
    Literal literal = literalRounding(conversion, precision, std::fabs(x), exponentForm);
    literal.text = x < 0.0 ? "-" : "";
    double value = literal.rounded;
    appendLiteralIntegerPart(literal.text, value, literal.integerDigits);
    if (precision != 0)
        literal.text.push_back('.');
    for (int i = 0; i < literal.fractionDigits; ++i) {
        value *= 10.0;
        literal.text.push_back(static_cast<char>('0' + toInt(value) % 10));
        value -= truncatedUnsigned(value);
    }
    while (conversion == 'g' && literal.text.size() > 2 && literal.text.back() == '0')
        literal.text.pop_back();
    if (literal.text.back() == '.')
        literal.text.pop_back();
    if (exponentForm)
        appendLiteralExponent(literal.text, literal.exponent);
    return literal;
}

// ---- Values ----

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
    const double scale = decimalPower(std::uniform_int_distribution<int>(0, 9)(random));
    return withRandomSign(random, digits / scale);
}

// A few units in the last place around a power of ten, where rounding and nudges carry.
double nearPowerOfTen(std::mt19937_64& random) {
    const double power = decimalPower(std::uniform_int_distribution<int>(-12, 24)(random));
    const auto units = std::uniform_int_distribution<std::int64_t>(-8, 8)(random);
    return withRandomSign(random, std::bit_cast<double>(std::bit_cast<std::int64_t>(power) + units));
}

std::vector<double> randomValues() {
    std::mt19937_64 random(20240611);
    double (*const kinds[])(std::mt19937_64&) = {anyDouble, moderateDouble, shortDecimal, nearPowerOfTen};
    std::vector<double> values;
    for (int i = 0; i < kValueCount; ++i)
        values.push_back(kinds[i % 4](random));
    return values;
}

// ---- Measuring ----

std::string engineText(char conversion, int precision, double value) {
    std::string text;
    Lang::appendFloat(text, Lang::FloatOptions{conversion, false, precision, false, false, false}, value);
    return text;
}

struct Tally {
    long texts = 0;
    long withinHalfUnit = 0; // the nearest decimal of their length, halves either way
    long withinUnit = 0;
    long withinTwoUnits = 0;
    long farther = 0;
    long double largestInUnits = 0;
    long double largestWithinHeldDigits = 0; // in units, of texts within the 15 digits a double holds
    long closerThanLiteral = 0;
    long fartherThanLiteral = 0;
    long roundedValueKept = 0; // where the literal digit loop loses the value its rounding produced
    long reachedPowerOfTen = 0;
    long writtenAsPowerOfTen = 0;
    long nineBeforePowerOfTen = 0;

    void add(const Tally& other) {
        texts += other.texts;
        withinHalfUnit += other.withinHalfUnit;
        withinUnit += other.withinUnit;
        withinTwoUnits += other.withinTwoUnits;
        farther += other.farther;
        largestInUnits = std::max(largestInUnits, other.largestInUnits);
        largestWithinHeldDigits = std::max(largestWithinHeldDigits, other.largestWithinHeldDigits);
        closerThanLiteral += other.closerThanLiteral;
        fartherThanLiteral += other.fartherThanLiteral;
        roundedValueKept += other.roundedValueKept;
        reachedPowerOfTen += other.reachedPowerOfTen;
        writtenAsPowerOfTen += other.writtenAsPowerOfTen;
        nineBeforePowerOfTen += other.nineBeforePowerOfTen;
    }
};

// One text of the conversion, for failure messages.
struct Row {
    char conversion;
    int precision;
    double value;
    const std::string& text;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    char directive[80];
    std::snprintf(directive, sizeof directive, "%%.%d%c of %a (%.17g)", row.precision, row.conversion,
                  row.value, row.value);
    return out << directive << ": " << row.text;
}

int exponentOf(const std::string& text) {
    const std::size_t e = text.find('e');
    return e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
}

// The place of the last significant digit: of 17 or more integer digits the 17th, else the last
// fraction digit asked for.
int lastDigitPower(const std::string& text, int fractionDigits) {
    const std::size_t first = text.find_first_not_of('-');
    const auto integerDigits = static_cast<int>(text.find_first_of(".e", first) == std::string::npos
                                                    ? text.size() - first
                                                    : text.find_first_of(".e", first) - first);
    if (text.find('e') == std::string::npos && integerDigits >= 17)
        return integerDigits - 17;
    return exponentOf(text) - fractionDigits;
}

// Distance of `a` from the exact value compared with that of `b`: -1 nearer, 0 as near, 1 farther.
int compareDistances(const Decimal& a, const Decimal& b, const Decimal& exact, int unitPower) {
    const int lowest = std::min({unitPower, a.lastPower(), b.lastPower()}) - 1;
    const Decimal value = cutBelow(exact, lowest);
    return compare(distance(a, value), distance(b, value));
}

void countError(Tally& tally, const Decimal& written, const Decimal& exact, int unitPower) {
    // Three places finer than the unit: the reported error is off by less than a thousandth of it.
    const Decimal error = distance(written, cutBelow(exact, unitPower - 3));
    if (compare(error, Decimal{{5}, unitPower - 1}) <= 0)
        ++tally.withinHalfUnit;
    else if (compare(error, Decimal{{1}, unitPower}) <= 0)
        ++tally.withinUnit;
    else if (compare(error, Decimal{{2}, unitPower}) <= 0)
        ++tally.withinTwoUnits;
    else
        ++tally.farther;
    const long double inUnits = approximately(error) / std::pow(10.0L, unitPower);
    tally.largestInUnits = std::max(tally.largestInUnits, inUnits);
    if (exact.firstPower - unitPower < kHeldDigits)
        tally.largestWithinHeldDigits = std::max(tally.largestWithinHeldDigits, inUnits);
}

// Where the literal algorithm's rounding or second nudge reached the next power of ten, the text is
// as near the value as that power: never 9.9000 for 10.000.
void checkPowerOfTen(Tally& tally, const Row& row, const Decimal& written, int power, const Decimal& exact,
                     int unitPower) {
    const Decimal powerOfTen{{1}, power};
    ++tally.reachedPowerOfTen;
    tally.writtenAsPowerOfTen += compare(written, powerOfTen) == 0 ? 1 : 0;
    if (compareDistances(written, powerOfTen, exact, unitPower) <= 0)
        return;
    if (++tally.nineBeforePowerOfTen <= kReportedFailures)
        ADD_FAILURE() << row << " is farther from the value than 10^" << power;
}

// The literal algorithm's rounded value with its digits written exactly: what its digit loop means
// to write where it cuts a last digit one too small or writes ':' for ten.
Decimal roundedValueWritten(const Literal& literal) {
    Decimal decimal = parsed(formatted("%.*f", literal.fractionDigits, literal.rounded));
    decimal.firstPower += literal.exponent;
    return decimal;
}

void compareWithLiteral(Tally& tally, const Row& row, const Decimal& written, const Literal& literal,
                        const Decimal& exact, int unitPower) {
    const int order = compareDistances(written, parsed(literal.text), exact, unitPower);
    tally.closerThanLiteral += order < 0 ? 1 : 0;
    if (order <= 0)
        return;
    if (compare(written, roundedValueWritten(literal)) == 0) {
        ++tally.roundedValueKept;
        return;
    }
    if (++tally.fartherThanLiteral <= kReportedFailures)
        ADD_FAILURE() << row << " is farther from the value than " << literal.text;
}

// One text against the exact value and against the literal algorithm's text.
void measure(Tally& tally, char conversion, int precision, double value, const Decimal& exact) {
    const std::string engine = engineText(conversion, precision, value);
    const Row row{conversion, precision, value, engine};
    ASSERT_EQ(engine.find_first_not_of("-.0123456789e+"), std::string::npos) << row;
    const Literal literal = literalConversion(conversion, precision, value);
    const Decimal written = parsed(engine);
    const int unitPower = lastDigitPower(engine, literal.fractionDigits);
    ++tally.texts;
    countError(tally, written, exact, unitPower);
    if (literal.reachedPower)
        checkPowerOfTen(tally, row, written, *literal.reachedPower, exact, unitPower);
    if (engine != literal.text)
        compareWithLiteral(tally, row, written, literal, exact, unitPower);
}

void print(const char* what, const Tally& tally) {
    std::printf(
        "%s: %ld texts. Off the exact value by at most half a unit of the last digit %ld, "
        "by up to 1 unit %ld, up to 2 units %ld, more %ld (largest %.3Lg units; within 15 significant "
        "digits %.3Lg). Against the literal algorithm: closer %ld, farther %ld, with the value its "
        "rounding produced where its digit loop loses it %ld. Reached the next power of ten %ld, "
        "written as it %ld, written farther from the value than it %ld.\n",
        what, tally.texts, tally.withinHalfUnit, tally.withinUnit, tally.withinTwoUnits, tally.farther,
        tally.largestInUnits, tally.largestWithinHeldDigits, tally.closerThanLiteral,
        tally.fartherThanLiteral, tally.roundedValueKept, tally.reachedPowerOfTen, tally.writtenAsPowerOfTen,
        tally.nineBeforePowerOfTen);
}

TEST(FloatPropertyTest, NoTextIsFartherFromTheValueThanTheLiteralAlgorithmWritesIt) {
    Tally all;
    Tally byConversion[3];
    for (double value : randomValues()) {
        const Decimal exact = exactMagnitude(value);
        for (int c = 0; c < 3; ++c) {
            for (int precision = -1; precision <= kMaxPrecision; ++precision)
                measure(byConversion[c], kConversions[c], precision, value, exact);
        }
    }
    for (int c = 0; c < 3; ++c) {
        const char name[] = {'%', kConversions[c], '\0'};
        print(name, byConversion[c]);
        all.add(byConversion[c]);
    }
    print("all", all);
    EXPECT_EQ(all.texts, kValueCount * kTextsPerValue);
    EXPECT_EQ(all.fartherThanLiteral, 0);
    EXPECT_EQ(all.nineBeforePowerOfTen, 0);
    EXPECT_GT(all.reachedPowerOfTen, 0);
}

} // namespace
