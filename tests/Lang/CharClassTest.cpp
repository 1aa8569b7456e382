// Tests of the Unicode 5.2 character-class lookup and its predicates.
#include "Lang/CharClass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace {

using Lang::charClass;

constexpr std::int32_t lastClassified = 0x2FA1D;

std::string hex(std::int32_t codePoint) {
    char text[32];
    std::snprintf(text, sizeof text, "U+%04X (%d)", static_cast<unsigned>(codePoint), codePoint);
    return text;
}

// Every code point from U+0000 to a little past the table's end for which `predicate` holds.
std::vector<std::int32_t> codePointsWhere(bool (*predicate)(std::int32_t)) {
    std::vector<std::int32_t> found;
    for (std::int32_t codePoint = 0; codePoint <= lastClassified + 0x1000; ++codePoint)
        if (predicate(codePoint))
            found.push_back(codePoint);
    return found;
}

std::vector<std::int32_t> closedRange(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> codePoints;
    for (std::int32_t codePoint = first; codePoint <= last; ++codePoint)
        codePoints.push_back(codePoint);
    return codePoints;
}

std::vector<std::int32_t> concatenate(std::initializer_list<std::vector<std::int32_t>> parts) {
    std::vector<std::int32_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(CharClassTest, ClassWordsAcrossScriptsAndPlanes) {
    struct Case {
        std::int32_t codePoint;
        std::uint32_t expected;
    };
    using namespace Lang;
    const Case cases[] = {
        // ASCII and Latin-1
        {0x0009, Control | Space},
        {0x000A, Control | Space},
        {0x000D, Control | Space},
        {0x0020, Space},
        {0x0021, Punctuation},
        {0x002B, Symbol | Math},
        {0x0030, Digit | HexDigit},
        {0x0041, Upper | Alpha | HexDigit},
        {0x0047, Upper | Alpha},
        {0x005E, Symbol | Math},
        {0x005F, Punctuation},
        {0x0066, Lower | Alpha | HexDigit},
        {0x007C, Symbol | Math},
        {0x007F, Control},
        {0x0085, Control | Space},
        {0x00A0, Space},
        {0x00AA, Lower | Alpha}, // Ll in 5.2
        {0x00AD, 0},
        {0x00B5, Lower | Alpha},
        {0x00B6, Symbol}, // So in 5.2, Po from 6.1 on
        {0x00D7, Symbol | Math},
        {0x00E9, Lower | Alpha},
        // Other scripts
        {0x0345, Lower | Alpha},
        {0x0378, 0},
        {0x03A9, Upper | Alpha},
        {0x03C0, Lower | Alpha},
        {0x0416, Upper | Alpha},
        {0x05D0, Alpha},
        {0x0660, Digit},
        {0x0964, Punctuation},
        {0x0E01, Alpha},
        {0x0E50, Digit},
        {0x1680, Space},
        {0x180E, Space}, // White_Space until 6.3
        {0x2014, Punctuation},
        {0x200B, 0},
        {0x2028, Space},
        {0x20AC, Symbol},
        {0x2102, Upper | Alpha | Math},
        {0x2135, Alpha | Math},
        {0x2160, Upper | Alpha},
        {0x2200, Symbol | Math},
        {0x2212, Symbol | Math},
        {0x24B6, Symbol | Upper | Alpha},
        {0x2C7D, Lower | Alpha},
        {0x3000, Space},
        {0x3001, Punctuation},
        {0x3007, Alpha},
        {0x300C, Punctuation},
        {0x4E00, Alpha},
        {0xD800, 0},
        {0xE000, 0},
        {0xFEFF, 0},
        {0xFF10, Digit | HexDigit},
        {0xFF21, Upper | Alpha | HexDigit},
        {0xFF41, Lower | Alpha | HexDigit},
        {0xFF47, Lower | Alpha},
        // Supplementary planes
        {0x10400, Upper | Alpha},
        {0x10428, Lower | Alpha},
        {0x1D400, Upper | Alpha | Math},
        {0x1D7CE, Digit | Math},
        {0x1F030, Symbol},
        {0x20000, Alpha},
        {0x2A6D6, Alpha},
        {0x2A6D7, 0},
        {lastClassified, Alpha},
        // Beyond the table
        {lastClassified + 1, 0},
        {0xE0041, 0},
        {0x10FFFF, 0},
        {0x110000, 0},
        {-1, 0},
        {std::numeric_limits<std::int32_t>::min(), 0},
        {std::numeric_limits<std::int32_t>::max(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(charClass(c.codePoint), c.expected) << hex(c.codePoint);
}

TEST(CharClassTest, EachPredicateReadsItsOwnBit) {
    struct Case {
        const char* name;
        bool (*predicate)(std::int32_t);
        std::int32_t codePoint;
        bool expected;
    };
    const Case cases[] = {
        {"isControl", Lang::isControl, 0x0000, true},
        {"isControl", Lang::isControl, 0x009F, true},
        {"isControl", Lang::isControl, 0x0020, false},
        {"isPunctuation", Lang::isPunctuation, 0x00BF, true},
        {"isPunctuation", Lang::isPunctuation, 0x002B, false},
        {"isSymbol", Lang::isSymbol, 0x00A9, true},
        {"isSymbol", Lang::isSymbol, 0x005F, false},
        {"isDigit", Lang::isDigit, 0x0969, true},
        {"isDigit", Lang::isDigit, 0x00B2, false},
        {"isSpace", Lang::isSpace, 0x3000, true},
        {"isSpace", Lang::isSpace, 0x00A0, true},
        {"isSpace", Lang::isSpace, 0x200B, false},
        {"isHexDigit", Lang::isHexDigit, 0xFF46, true},
        {"isHexDigit", Lang::isHexDigit, 0x0067, false},
        {"isMath", Lang::isMath, 0x221E, true},
        {"isMath", Lang::isMath, 0x0024, false},
        {"isAlpha", Lang::isAlpha, 0x00E9, true},
        {"isAlpha", Lang::isAlpha, 0x03A9, true},
        {"isAlpha", Lang::isAlpha, 0x4E00, true},
        {"isAlpha", Lang::isAlpha, 0x0031, false},
        {"isAlpha", Lang::isAlpha, 0x005F, false},
        {"isLower", Lang::isLower, 0x0451, true},
        {"isLower", Lang::isLower, 0x0401, false},
        {"isUpper", Lang::isUpper, 0x0401, true},
        {"isUpper", Lang::isUpper, 0x01C5, false},
        {"isUpper", Lang::isUpper, -5, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.predicate(c.codePoint), c.expected) << c.name << " " << hex(c.codePoint);
}

TEST(CharClassTest, WhiteSpaceIsExactlyTheTwentySixCharacters) {
    const auto expected = concatenate({closedRange(0x0009, 0x000D),
                                       {0x0020, 0x0085, 0x00A0, 0x1680, 0x180E},
                                       closedRange(0x2000, 0x200A),
                                       {0x2028, 0x2029, 0x202F, 0x205F, 0x3000}});
    const auto found = codePointsWhere(Lang::isSpace);
    EXPECT_EQ(found.size(), 26u);
    EXPECT_EQ(found, expected);
}

TEST(CharClassTest, HexDigitsAreTheAsciiAndFullwidthOnes) {
    const auto expected =
        concatenate({closedRange('0', '9'), closedRange('A', 'F'), closedRange('a', 'f'),
                     closedRange(0xFF10, 0xFF19), closedRange(0xFF21, 0xFF26), closedRange(0xFF41, 0xFF46)});
    EXPECT_EQ(codePointsWhere(Lang::isHexDigit), expected);
}

} // namespace
