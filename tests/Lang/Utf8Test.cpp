// Tests of UTF-8 decoding and encoding at the edges of the system.
#include "Lang/Utf8.h"

#include "tests/PrintableText.h"

#include <gtest/gtest.h>

namespace {

using Lang::String;

TEST(Utf8Test, DecodesValidTextAndReplacesEachBadByte) {
    struct Case {
        std::string utf8;
        String expected;
    };
    const Case cases[] = {
        {"", u""},
        {"a\xC3\xA9z", u"a\u00E9z"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {std::string("a\0b", 3), String(u"a\0b", 3)},
        {"\xFF", u"\uFFFD"},
        {"\xC3", u"\uFFFD"},                               // cut short at the end
        {"\xC3(", u"\uFFFD("},                             // a continuation byte missing
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},           // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\x80x", u"\uFFFDx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lang::fromUtf8(c.utf8), c.expected) << printable(c.expected);
        const bool valid = c.expected.find(u'\uFFFD') == String::npos;
        EXPECT_EQ(Lang::isValidUtf8(c.utf8), valid) << printable(c.expected);
    }
    EXPECT_TRUE(Lang::isValidUtf8("\xEF\xBF\xBD")); // U+FFFD itself is valid text
}

TEST(Utf8Test, EncodesAndReplacesUnpairedSurrogates) {
    struct Case {
        String text;
        std::string expected;
    };
    const Case cases[] = {
        {u"a\u00E9\u20AC\U0001F600", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {String{0xD800}, "\xEF\xBF\xBD"},
        {String{0xDC00, u'a'}, "\xEF\xBF\xBD"
                               "a"},
        {String{0xD83D, u'a', 0xDE00}, "\xEF\xBF\xBD"
                                       "a\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lang::toUtf8(c.text), c.expected) << printable(c.text);
}

TEST(Utf8Test, EveryScalarValueRoundTrips) {
    for (std::int32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        if (codePoint == 0xD800)
            codePoint = 0xE000;
        String text;
        if (codePoint >= 0x10000)
            text = {static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)),
                    static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
        else
            text = String(1, static_cast<char16_t>(codePoint));
        ASSERT_EQ(Lang::fromUtf8(Lang::toUtf8(text)), text) << codePoint;
    }
}

} // namespace
