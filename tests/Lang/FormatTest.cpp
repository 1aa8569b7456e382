// Tests of the 8-bit and 16-bit format engines: grammar, integer, character, string, count and
// percent conversions, padding and buffer growth.
#include "Lang/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

void runEngine(std::vector<char>& buffer, const char* format, va_list arguments) {
    Lang::formatIntoBuffer(buffer, format, arguments);
}

void runEngine(std::vector<char16_t>& buffer, const char16_t* format, va_list arguments) {
    Lang::formatIntoWideBuffer(buffer, format, arguments);
}

// The engine's buffer after formatting, starting from `cells` zero cells.
template <class CharT>
std::vector<CharT> formatBuffer(std::size_t cells, const CharT* format, ...) {
    std::vector<CharT> buffer(cells);
    va_list arguments;
    va_start(arguments, format);
    runEngine(buffer, format, arguments);
    va_end(arguments);
    return buffer;
}

template <class CharT, class... Args>
std::basic_string<CharT> formatted(const CharT* format, Args... arguments) {
    return formatBuffer(256, format, arguments...).data();
}

// ASCII text as characters of either width.
template <class CharT>
std::basic_string<CharT> widen(const std::string& text) {
    return std::basic_string<CharT>(text.begin(), text.end());
}

// One format run through both engines: the wide engine gets the same format, widened.
struct Row {
    std::string expected;
    std::string format;
    std::string narrow;
    std::u16string wide;
};

template <class... Args>
Row row(const std::string& expected, const char* formatText, Args... arguments) {
    return {expected, formatText, formatted(formatText, arguments...),
            formatted(widen<char16_t>(formatText).c_str(), arguments...)};
}

void expectRows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        EXPECT_EQ(r.narrow, r.expected) << "8-bit engine, format \"" << r.format << '"';
        EXPECT_EQ(r.wide, widen<char16_t>(r.expected)) << "16-bit engine, format \"" << r.format << '"';
    }
}

const char* const NullText = nullptr;

void* pointer(std::uint64_t address) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

TEST(FormatEngine, LiteralTextPercentAndUnrecognisedDirectives) {
    expectRows({
        row("", ""),
        row("plain text", "plain text"),
        row("%", "%"),
        row("abc%", "abc%"),
        row("%-05", "%-05"),
        row("x%.3", "x%.3"),
        row("%", "%%"),
        row("a%b", "a%%b"),
        row("%", "%5%"),
        row("%", "%-08%"),
        row("100%", "%d%%", 100),
        row("%", "%q"),
        row("%-5", "%-5q"),
        row("a%b", "a%qb"),
        row("%.5", "%.5y"),
        row("%64d", "%I64d"),
        row("%", "%S"),
        row("%", "%C"),
        row("%", "%Z"),
        row("%", "%{"),
        row("%", "%~"),
        row("%*7", "%*q%d", 5, 7),
    });
}

TEST(FormatEngine, FlagsWidthAndPadding) {
    expectRows({
        row("00-42", "%05d", -42),
        row("42   ", "%-05d", 42),
        row("000ab", "%05s", "ab"),
        row("+5", "%+d", 5),
        row("0", "%+d", 0),
        row(" 0", "% d", 0),
        row(" 5", "% d", 5),
        row("-5", "% d", -5),
        row("+5", "% +d", 5),
        row(" 0", "%+ d", 0),
        row("  -42", "%5d", -42),
        row("-42  |", "%-5d|", -42),
        row("+3   |", "%+-5d|", 3),
        row("+3   |", "%-+5d|", 3),
        row("00+42", "%+05d", 42),
        row("0000-005", "%08.3d", -5),
        row("42", "%1d", 42),
        row("0000000042", "%010d", 42),
        row("42  |", "%0-4d|", 42),
        row("7" + std::string(52, ' '), "%5-3d", 7),
        row("07" + std::string(11, ' '), "%1.2-3d", 7),
    });
}

TEST(FormatEngine, WidthAndPrecisionFromArguments) {
    expectRows({
        row("42    ", "%*d", -6, 42),
        row("  42", "%*d", 4, 42),
        row("-42 |", "%-*d|", -4, -42),
        row("0", "%*d", 0, 0),
        row("0", "%*x", 0, 0),
        row("007", "%.*d", 3, 7),
        row("7", "%.*d", -1, 7),
        row("abc", "%.*s", -5, "abc"),
        row("   07", "%.*5d", 2, 7),
        row("07", "%.5*d", 2, 7),
        row("    7", "%3*d", 5, 7),
    });
}

TEST(FormatEngine, IntegerConversions) {
    expectRows({
        row("0", "%d", 0),
        row("-2147483648", "%d", std::numeric_limits<int>::min()),
        row("2147483647", "%i", std::numeric_limits<int>::max()),
        row("4294967295", "%u", -1),
        row("5", "%+u", 5),
        row("5", "% u", 5),
        row("ff", "%x", 255),
        row("FF", "%X", 255),
        row("0xff", "%#x", 255),
        row("0XFF", "%#X", 255),
        row("0x0", "%#x", 0),
        row("0", "%x", 0),
        row("ffffffff", "%x", -1),
        row("10", "%o", 8),
        row("010", "%#o", 8),
        row("0", "%o", 0),
        row("00", "%#o", 0),
        row("007", "%.3d", 7),
        row("-007", "%.3d", -7),
        row("0000", "%.3o", 0),
        row("0010", "%.4o", 8),
        row("0", "%.0d", 0),
        row("0", "%.0x", 0),
        row("00a", "%.3x", 10),
        row("0x00ff", "%#.4x", 255),
    });
}

TEST(FormatEngine, LengthClasses) {
    const std::int64_t twoTo40 = std::int64_t{1} << 40;
    expectRows({
        row("-1", "%hhd", 0x1FF),
        row("255", "%hhu", 0x1FF),
        row("ff", "%hhx", -1),
        row("9029", "%hu", 0x12345),
        row("-1", "%hd", 0xFFFF),
        row("511", "%hhhd", 0x1FF),
        row("-3", "%hzd", -3),
        row("-3", "%td", -3),
        row("-1", "%ld", -1),
        row("4294967295", "%lu", -1),
        row("-1", "%wd", -1),
        row("-1", "%llld", -1),
        row("1099511627776", "%lld", twoTo40),
        row("1099511627776", "%Ld", twoTo40),
        row("1099511627776", "%jd", twoTo40),
        row("10000000000", "%llx", twoTo40),
        row("-9223372036854775808", "%lld", std::numeric_limits<std::int64_t>::min()),
        row("9223372036854775807", "%lld", std::numeric_limits<std::int64_t>::max()),
        row("18446744073709551615", "%llu", std::numeric_limits<std::uint64_t>::max()),
        row("1777777777777777777777", "%llo", std::numeric_limits<std::uint64_t>::max()),
        row("ffffffffffffffff", "%llx", std::int64_t{-1}),
    });
}

TEST(FormatEngine, PointerWritesLow32BitsAsEightDigits) {
    expectRows({
        row("00001A2B", "%p", pointer(0x1A2B)),
        row("0X00001A2B", "%#p", pointer(0x1A2B)),
        row("  00001A2B", "%10p", pointer(0x1A2B)),
        row("00001A2B  |", "%-10p|", pointer(0x1A2B)),
        row("00001A2B", "%.2p", pointer(0x1A2B)),
        row("00001A2B", "%hp", pointer(0x1A2B)),
        row("00000000", "%p", nullptr),
        row("9ABCDEF0", "%p", pointer(0x123456789ABCDEF0)),
    });
}

TEST(FormatEngine, Characters) {
    expectRows({
        row("A", "%c", 'A'),
        row("  A", "%3c", 'A'),
        row("A  |", "%-3c|", 'A'),
        row("00A", "%03c", 'A'),
        row("A", "%llc", 'A'),
        row("%", "%c", '%'),
        row("", "%c", 0),
        row("  ", "%3c", 0),
        row("  |", "%-3c|", 0),
        row("ab", "a%cb", 0),
    });
}

TEST(FormatEngine, Strings) {
    const char unterminated[3] = {'a', 'b', 'c'}; // a precision bounds what is read
    expectRows({
        row("abc", "%s", "abc"),
        row("ab", "%.*s", 2, "abcdef"),
        row("ab", "%5.2s", "abcdef"),
        row("ab   ", "%-5.2s", "abcdef"),
        row(" ab", "%3.2s", "ab"),
        row("", "%.0s", "abc"),
        row("abc", "%.10s", "abc"),
        row("   abc", "%6s", "abc"),
        row("abc   |", "%-6s|", "abc"),
        row("abcdef", "%2s", "abcdef"),
        row("", "%s", NullText),
        row("   ", "%3s", NullText),
        row("   |", "%-3s|", NullText),
        row("abc", "%hs", "abc"),
        row("abc", "%lls", "abc"),
        row("abc", "%ls", u"abc"),
        row("abc", "%ws", u"abc"),
        row("ab", "%.2ls", u"abc"),
        row(" abc", "%4ls", u"abc"),
        row("", "%ls", static_cast<const char16_t*>(nullptr)),
        row("x=1, y=two", "x=%d, y=%s", 1, "two"),
        row("abc", "%.3s", unterminated),
        row("abc  |", "%-5.3s|", unterminated),
        row("abc", "%.99999999999s", "abc"), // precision digits stop growing at INT_MAX
    });
}

TEST(FormatEngine, FloatingConversionsAreDispatchedAndPadded) {
    const double infinity = std::numeric_limits<double>::infinity();
    expectRows({
        row("    3.14", "%8.2f", 3.14159),
        row("3.14    |", "%-8.2f|", 3.14159),
        row("000-3.14", "%08.2f", -3.14159),
        row("    0.13", "%*.*f", 8, 2, 0.125),
        row("1.500000", "%Lf", 1.5),
        row("1.500000", "%hhf", 1.5),
        row("1 2.500000 3", "%d %f %d", 1, 2.5, 3),
        row("  inf", "%5f", infinity),
        row("+1.000000", "%+f", 1.0),
        row(" 1.000000", "% f", 1.0),
        row("1.50000E+000", "%E", 1.5),
        row("1.2e+003", "%.2g", 1234.0),
        row("0x1.800000p+0", "%a", 1.5),
        row("0X1.999P-4", "%.3A", 0.1),
        row("1.e+000", "%#.0e", 1.0),
    });
}

// A count directive stores into the last argument.
struct CountRow {
    std::string expectedText;
    int expectedCount;
    std::string format;
    std::string narrowText;
    int narrowCount;
    std::u16string wideText;
    int wideCount;
};

template <class... Args>
CountRow countRow(const std::string& expectedText, int expectedCount, const char* formatText,
                  Args... arguments) {
    CountRow r{expectedText, expectedCount, formatText, {}, -1, {}, -1};
    r.narrowText = formatted(formatText, arguments..., &r.narrowCount);
    r.wideText = formatted(widen<char16_t>(formatText).c_str(), arguments..., &r.wideCount);
    return r;
}

TEST(FormatEngine, CountStoresCharactersWrittenSoFar) {
    const CountRow rows[] = {
        countRow("abcde", 3, "abc%nde"),     countRow("x", 0, "%nx"),
        countRow("   42", 5, "%5d%n", 42),   countRow("ab", 1, "a%c%nb", 0),
        countRow("abc", 3, "%s%lln", "abc"),
    };
    for (const CountRow& r : rows) {
        EXPECT_EQ(r.narrowText, r.expectedText) << "8-bit engine, format \"" << r.format << '"';
        EXPECT_EQ(r.narrowCount, r.expectedCount) << "8-bit engine, format \"" << r.format << '"';
        EXPECT_EQ(r.wideText, widen<char16_t>(r.expectedText))
            << "16-bit engine, format \"" << r.format << '"';
        EXPECT_EQ(r.wideCount, r.expectedCount) << "16-bit engine, format \"" << r.format << '"';
    }
}

TEST(FormatEngine, CountIsInTheEnginesUnits) {
    int bytes = -1;
    EXPECT_EQ(formatted("\xE4\xB8\xAD%n!", &bytes), "\xE4\xB8\xAD!");
    EXPECT_EQ(bytes, 3);
    int units = -1;
    EXPECT_EQ(formatted(u"\u4E2D\U0001F600%n!", &units), u"\u4E2D\U0001F600!");
    EXPECT_EQ(units, 3);
}

TEST(FormatEngine, NarrowEngineTakesLowBytes) {
    const struct {
        std::string expected;
        std::string actual;
    } rows[] = {
        {"A\xE9", formatted("%ls", u"\u0141\u00E9")},
        {"ab |", formatted("%-4ls|", u"a\u0100b")}, // the unit 0x100 writes nothing but counts as taken
        {" ab", formatted("%4ls", u"a\u0100b")},
        {"A", formatted("%c", 0x141)},
        {"", formatted("%c", 0x100)},
        {"\xE9", formatted("%s", "\xE9")},
        {"%d", formatted("%\xE4"
                         "d")}, // bytes above 'z' are no directive characters
        {"%d", formatted("%\x7F"
                         "d")},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.actual, r.expected);
    }
}

TEST(FormatEngine, WideEngineSignExtendsBytes) {
    const struct {
        std::u16string expected;
        std::u16string actual;
    } rows[] = {
        {u"\xFFE9", formatted(u"%s", "\xE9")},
        {u"a\xFF80\xFFFF", formatted(u"%s", "a\x80\xFF")},
        {u"\u00E9\u4E2D\U0001F600", formatted(u"%ls", u"\u00E9\u4E2D\U0001F600")},
        {u"\u00E9\u4E2D\U0001F600", formatted(u"%ws", u"\u00E9\u4E2D\U0001F600")},
        {u"\u4E2D", formatted(u"%c", 0x4E2D)},
        {u"A", formatted(u"%c", 0x10041)},
        {u"", formatted(u"%c", 0x10000)},
        {u"\u4E2D5\u6587", formatted(u"\u4E2D%d\u6587", 5)},
        {u"%d", formatted(u"%\u0164d")}, // 0x164 has the low byte of 'd' but is no directive character
        {u"%", formatted(u"%\u2030")},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.actual, r.expected);
    }
}

template <class CharT>
class FormatBuffer : public testing::Test {};

using CharTypes = testing::Types<char, char16_t>;
TYPED_TEST_SUITE(FormatBuffer, CharTypes);

// The buffer holds `text` and zero cells after it.
template <class CharT>
void expectText(const std::vector<CharT>& buffer, const std::basic_string<CharT>& text) {
    ASSERT_LT(text.size(), buffer.size());
    EXPECT_EQ(
        std::basic_string<CharT>(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(text.size())),
        text);
    for (std::size_t i = text.size(); i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0) << "cell " << i;
    }
}

TYPED_TEST(FormatBuffer, EmptyFormatLeavesTheBufferZero) {
    const auto buffer = formatBuffer<TypeParam>(256, widen<TypeParam>("").c_str());
    EXPECT_EQ(buffer.size(), 256u);
    expectText<TypeParam>(buffer, {});
}

TYPED_TEST(FormatBuffer, GrowsByDoublingAndStaysZeroTerminated) {
    const struct {
        std::size_t length;
        std::size_t cells;
        std::size_t expectedCells;
    } rows[] = {
        {255, 256, 256}, {256, 256, 512}, {300, 256, 512}, {1000, 256, 1024}, {3, 1, 4}, {3, 0, 4}, {0, 0, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.length << " characters into " << r.cells << " cells");
        const std::string text(r.length, 'x');
        const auto fromArgument =
            formatBuffer<TypeParam>(r.cells, widen<TypeParam>("%s").c_str(), text.c_str());
        EXPECT_EQ(fromArgument.size(), r.expectedCells);
        expectText(fromArgument, widen<TypeParam>(text));
        const auto fromLiteral = formatBuffer<TypeParam>(r.cells, widen<TypeParam>(text).c_str());
        EXPECT_EQ(fromLiteral.size(), r.expectedCells);
        expectText(fromLiteral, widen<TypeParam>(text));
    }
}

TYPED_TEST(FormatBuffer, WidthPaddingGrowsTheBuffer) {
    const auto buffer = formatBuffer<TypeParam>(256, widen<TypeParam>("%-999d|").c_str(), 7);
    EXPECT_EQ(buffer.size(), 1024u);
    expectText(buffer, widen<TypeParam>("7" + std::string(998, ' ') + "|"));
}

} // namespace
