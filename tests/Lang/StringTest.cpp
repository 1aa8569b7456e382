// Tests of the character-aware operations on Lang::String.
#include "Lang/String.h"

#include "Lang/CharClass.h"
#include "Lang/StringCast.h"

#include "tests/Lang/ExpectThrowMessage.h"
#include "tests/PrintableText.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Lang::String;

const std::size_t npos = String::npos;
const String kGrin = {0xD83D, 0xDE00}; // U+1F600
const String kLoneLow = {0xDC00};

bool isLetterA(std::int32_t codePoint) {
    return codePoint == 'a';
}

TEST(StringTest, TrimRemovesUnicodeWhiteSpaceAtBothEnds) {
    struct Case {
        String input;
        String expected;
    };
    const Case cases[] = {
        {u"", u""},
        {u" \t \t", u""},
        {u" a b ", u"a b"},
        {u"\r\n\v\fx\u0085", u"x"},
        {u"\u3000x\u00A0", u"x"},
        {u"\u1680\u2000x y\u200A\u2028\u2029\u202F\u205F", u"x y"},
        {u"\u200Bx\u200B", u"\u200Bx\u200B"}, // zero width space is not white space
        {u"a\u3000\u3000b", u"a\u3000\u3000b"},
        {u" " + kGrin + u" ", kGrin}, // the last character is kept whole
        {u"\u00A0\u00E9" + kGrin + u"\t", u"\u00E9" + kGrin},
    };
    for (const Case& c : cases) {
        String text = c.input;
        Lang::trim(text);
        EXPECT_EQ(text, c.expected) << printable(c.input);
    }
}

TEST(StringTest, TrimRejectsBrokenUtf16) {
    String text = u" " + kLoneLow + u" ";
    EXPECT_THROW(Lang::trim(text), std::invalid_argument);
}

TEST(StringTest, FindFirstNotWalksCharactersFromTheStart) {
    struct Case {
        String text;
        std::size_t start;
        std::size_t expected;
    };
    const Case cases[] = {
        {u"", 0, npos}, {u"aaa", 0, npos},           {u"aab", 0, 2},       {u"ba", 1, npos},
        {u"bab", 1, 2}, {u"a" + kGrin + u"a", 0, 1}, {kGrin + u"b", 0, 0}, {u"ab", 5, npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lang::findFirstNot(c.text, isLetterA, c.start), c.expected)
            << printable(c.text) << " from " << c.start;
}

TEST(StringTest, FindLastNotReturnsTheLastMismatch) {
    struct Case {
        String text;
        std::size_t expected;
    };
    const Case cases[] = {
        {u"", npos}, {u"aaa", npos}, {u"baa", 0}, {u"b" + kGrin + u"a", 1}, {u"a" + kGrin, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lang::findLastNot(c.text, isLetterA), c.expected) << printable(c.text);
}

TEST(StringTest, WalksRejectBrokenUtf16) {
    const String broken = u"a" + kLoneLow + u"b";
    EXPECT_THROW(Lang::findFirstNot(broken, isLetterA), std::invalid_argument);
    EXPECT_THROW(Lang::findLastNot(broken, isLetterA), std::invalid_argument);
    EXPECT_EQ(Lang::findFirstNot(broken, isLetterA, 2), 2u); // a walk that starts past the fault
}

TEST(StringTest, FindLastCharFindsTheLastEncoding) {
    struct Case {
        String text;
        std::int32_t codePoint;
        std::size_t expected;
    };
    const Case cases[] = {
        {u"", '\\', npos},
        {u"a/b", '\\', npos},
        {u"a\\b\\", '\\', 3},
        {u"\\a\\b", '\\', 2},
        {u"x" + kGrin + u"y" + kGrin + u"z", 0x1F600, 4},
        {u"\xD83D", 0x1F600, npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lang::findLastChar(c.text, c.codePoint), c.expected) << c.codePoint;
}

TEST(StringTest, ReplaceCharsReplacesCharactersByCopies) {
    struct Case {
        String text;
        std::size_t index;
        std::size_t count;
        std::size_t repeat;
        std::int32_t codePoint;
        String expected;
    };
    const Case cases[] = {
        {u"a/b", 1, 1, 1, '\\', u"a\\b"},
        {u"abc", 1, 1, 1, 0x1F600, u"a" + kGrin + u"c"}, // grows by one unit
        {u"a" + kGrin + u"c", 1, 1, 1, 'b', u"abc"},     // shrinks by one unit
        {u"a" + kGrin + u"cd", 1, 2, 1, 'x', u"axd"},    // the count is in characters
        {u"abcd", 1, npos, 1, 'x', u"ax"},
        {u"abcd", 1, 9, 1, 'x', u"ax"},
        {u"abc", 1, 0, 2, 'x', u"axxbc"},
        {u"abc", 0, 2, 0, 'x', u"c"},
        {u"abc", 2, 1, 2, 0x1F600, u"ab" + kGrin + kGrin},
    };
    for (const Case& c : cases) {
        String text = c.text;
        Lang::replaceChars(text, c.index, c.count, c.repeat, c.codePoint);
        EXPECT_EQ(text, c.expected) << printable(c.text) << " at " << c.index;
    }
}

TEST(StringTest, ReplaceCharsNeedsACodeUnitAtTheIndex) {
    struct Case {
        String text;
        std::size_t index;
        const char* available;
    };
    const Case cases[] = {
        {String(), 0, "0"},
        {u"ab", 2, "0"},
        {u"ab", 3, "-1"},
        {u"ab", npos, "-9223372036854775807"}, // a failed rfind: never the unit before the text
    };
    for (const Case& c : cases) {
        String text = c.text;
        expectThrowMessage<std::range_error>(
            [&] { Lang::replaceChars(text, c.index, 0, 1, 'x'); },
            std::string("Invalid pointer range passed to Lang::Platform::Utf16::getIndex: "
                        "type=wchar_t, required=1, available=") +
                c.available);
        EXPECT_EQ(text, c.text) << c.index;
    }
}

TEST(StringTest, ReplaceCharsRefusesARepeatCountBeyondAnyString) {
    for (const std::int32_t codePoint : {std::int32_t{'x'}, std::int32_t{0x1F600}}) {
        String text = u"ab";
        EXPECT_THROW(Lang::replaceChars(text, 0, 1, npos / 2 + 1, codePoint), std::length_error) << codePoint;
        EXPECT_EQ(text, u"ab");
    }
}

} // namespace
