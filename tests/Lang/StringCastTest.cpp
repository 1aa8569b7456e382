// Tests of the conversions between UTF-16 and Windows-1252 text.
#include "Lang/StringCast.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Lang::String;

// Only the three conversions exist: narrow to narrow does not compile, instead of failing at link time.
template <class Target, class Source>
concept Castable = requires(const Source& source) {
    Xtl::string_cast<Target>(source);
};
static_assert(Castable<std::string, String> && Castable<String, std::string> && Castable<String, String>);
static_assert(!Castable<std::string, std::string>);

struct Pair {
    String wide;
    std::string narrow;
};

// Texts that convert into each other both ways.
const Pair kPairs[] = {
    {u"", ""},
    {u"plain ASCII", "plain ASCII"},
    {u"a\u20ACz", "\x61\x80\x7A"},
    {u"caf\u00E9 \u00FF", "caf\xE9 \xFF"},
    {u"\u0100", "&#x100;"},
    {u"x\u0080y", "x&#x80;y"},
    {u"\u0081\u009D", "\x81\x9D"},
    {u"\u4E2D\u6587", "&#x4E2D;&#x6587;"},
    {String{0xD83D, 0xDE00} + u"!", "&#x1F600;!"},
    {String(1, u'\0'), std::string(1, '\0')},
};

TEST(StringCastTest, WideToNarrow) {
    for (const Pair& p : kPairs)
        EXPECT_EQ(Xtl::string_cast<std::string>(p.wide), p.narrow) << p.narrow;
}

TEST(StringCastTest, NarrowToWide) {
    for (const Pair& p : kPairs)
        EXPECT_EQ(Xtl::string_cast<String>(p.narrow), p.wide) << p.narrow;
}

TEST(StringCastTest, NarrowReferencesAndBrokenOnesDecode) {
    struct Case {
        std::string narrow;
        String expected;
    };
    const Case cases[] = {
        {"&#65;&#x42;", u"AB"},
        {"a&#x41", u"a&#x41"},
        {"&amp;&#x110000;", u"&amp;&#x110000;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Xtl::string_cast<String>(c.narrow), c.expected) << c.narrow;
}

TEST(StringCastTest, BrokenUtf16Throws) {
    const String cases[] = {{u'a', 0xDC00}, {u'a', 0xD800}, {0xD800, u'a'}};
    for (const String& text : cases)
        EXPECT_THROW(Xtl::string_cast<std::string>(text), std::invalid_argument);
}

} // namespace
