// Tests of the mapping between Win32 path texts and POSIX paths.
#include "Platform/PathText.h"
#include "Platform/Windows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using Platform::isSearchPattern;
using Platform::toPosixPath;
using Platform::toWin32Text;

TEST(PlatformPathTextTest, Win32TextBecomesPosixPath) {
    struct Case {
        const char* name;
        std::u16string text;
        std::string expected;
    };
    const Case cases[] = {
        {"relative", u"a.txt", "a.txt"},
        {"relative folders", u"sub\\dir\\a.txt", "sub/dir/a.txt"},
        {"rooted", u"\\home\\me\\a.txt", "/home/me/a.txt"},
        {"root", u"\\", "/"},
        {"slash separators", u"\\home/me/a", "/home/me/a"},
        {"trailing separator", u"dir\\", "dir/"},
        {"dots", u"..\\.\\x", ".././x"},
        {"Latin-1", u"r\u00E9sum\u00E9.txt", "r\xC3\xA9sum\xC3\xA9.txt"},
        {"CJK", u"\u65E5\u672C.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"},
        {"outside the BMP", u"\U0001F600.txt", "\xF0\x9F\x98\x80.txt"},
        {"mapped colon", u"\\data\\2024\uF03Aq1", "/data/2024:q1"},
        {"mapped wildcards", u"a\uF02Ab\uF03Fc", "a*b?c"},
        {"mapped quote and angles", u"\uF022\uF03C\uF03E\uF07C", "\"<>|"},
        {"mapped backslash stays in the name", u"a\uF05Cb\\c", "a\\b/c"},
        {"mapped controls", u"\uF001\uF009\uF01F", "\x01\x09\x1F"},
        {"U+F000 is no NUL", u"\uF000", "\xEF\x80\x80"},
        {"U+F02F is no separator", u"a\uF02Fb",
         "a\xEF\x80\xAF"
         "b"},
        {"U+F041 is no letter", u"\uF041", "\xEF\x81\x81"},
        {"U+F080 stands for nothing", u"\uF080", "\xEF\x82\x80"},
        {"U+F100 is past the range", u"\uF100", "\xEF\x84\x80"},
        {"controls name themselves", u"a\tb\x01\x1B", "a\tb\x01\x1B"},
        {"mapped name ends", u"photos\uF020\\it\uF027\\a\uF0A0\uF085", "photos /it'/a\xC2\xA0\xC2\x85"},
        {"mapped dot", u"\uF02E..\\\uF02E.x", ".../..x"},
    };
    for (const Case& c : cases) {
        SetLastError(12345);
        const auto path = toPosixPath(c.text.c_str());
        ASSERT_TRUE(path.has_value()) << c.name;
        EXPECT_EQ(*path, c.expected) << c.name;
    }
}

TEST(PlatformPathTextTest, TextsThatNameNothingAreRefusedWithTheirError) {
    struct Case {
        const char* name;
        std::u16string text;
        DWORD error;
    };
    const Case cases[] = {
        {"empty", u"", ERROR_PATH_NOT_FOUND},
        {"drive", u"C:\\Windows", ERROR_PATH_NOT_FOUND},
        {"drive relative", u"c:a.txt", ERROR_PATH_NOT_FOUND},
        {"drive alone", u"Z:", ERROR_PATH_NOT_FOUND},
        {"UNC", u"\\\\server\\share\\a.txt", ERROR_BAD_NETPATH},
        {"UNC with slashes", u"//server/share", ERROR_BAD_NETPATH},
        {"device namespace", u"\\\\?\\C:\\a", ERROR_BAD_NETPATH},
        {"colon past the root", u"ab:c.txt", ERROR_INVALID_NAME},
        {"colon in a later name", u"\\dir\\x:y", ERROR_INVALID_NAME},
        {"digit and colon", u"1:", ERROR_INVALID_NAME},
        {"star", u"dir\\*.txt", ERROR_INVALID_NAME},
        {"question mark", u"a?", ERROR_INVALID_NAME},
        {"pipe", u"a|b", ERROR_INVALID_NAME},
        {"quote", u"\"a\"", ERROR_INVALID_NAME},
        {"angle", u"<a>", ERROR_INVALID_NAME},
        {"stand-in dots making a parent step", u"a\\\uF02E\uF02E\\b", ERROR_INVALID_NAME},
        {"a stand-in dot and a dot making a parent step", u"a\\\uF02E.", ERROR_INVALID_NAME},
        {"a stand-in dot alone", u"\uF02E/b", ERROR_INVALID_NAME},
        {"lone high surrogate", {u'a', 0xD800}, ERROR_INVALID_NAME},
        {"high surrogate and letter", {0xD83D, u'a'}, ERROR_INVALID_NAME},
        {"lone low surrogate", {0xDE00, u'a'}, ERROR_INVALID_NAME},
        {"reversed pair", {0xDE00, 0xD83D}, ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(toPosixPath(c.text.c_str()).has_value()) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    EXPECT_FALSE(toPosixPath(nullptr).has_value());
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(PlatformPathTextTest, PosixTextBecomesWin32Text) {
    struct Case {
        const char* name;
        std::string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"absolute", "/home/me", u"\\home\\me"},
        {"root", "/", u"\\"},
        {"relative", "a/b.txt", u"a\\b.txt"},
        {"colon", "/data/2024:q1", u"\\data\\2024\uF03Aq1"},
        {"every reserved printable", ":*?\"<>|\\", u"\uF03A\uF02A\uF03F\uF022\uF03C\uF03E\uF07C\uF05C"},
        {"controls", "\x01\x0A\x1F", u"\uF001\uF00A\uF01F"},
        {"space and DEL pass", " \x7F", u" \u007F"},
        {"a folder's trailing space", "/x/photos /a", u"\\x\\photos\uF020\\a"},
        {"a name's trailing space", "photos ", u"photos\uF020"},
        {"only the last of the spaces", "a  ", u"a \uF020"},
        {"inner and leading spaces pass", " a b/ c", u" a b\\ c"},
        {"trailing white space below U+0100", "a\xC2\xA0/b\xC2\x85/c\t", u"a\uF0A0\\b\uF085\\c\uF009"},
        {"trailing white space without a stand-in", "a\xE3\x80\x80/b", u"a\uFFFD\\b"},
        {"trailing quote marks", "it'/\"q\"", u"it\uF027\\\uF022q\uF022"},
        {"a trailing dot passes", "a./b..", u"a.\\b.."},
        {"dots only", "/.../....", u"\\\uF02E..\\\uF02E..."},
        {"two dots and a name", "..data/..x.", u"\uF02E.data\\\uF02E.x."},
        {"dot and dot dot pass", "./../.a", u".\\..\\.a"},
        {"a name's own stand-ins", "a\xEF\x80\xA0/b\xEF\x80\xBA/c\xEF\x80\xAE", u"a\uFFFD\\b\uFFFD\\c\uFFFD"},
        {"private use that stands for nothing", "\xEF\x80\xAF\xEF\x80\x80\xEF\x84\x80",
         u"\uF02F\uF000\uF100"},
        {"Latin-1", "r\xC3\xA9sum\xC3\xA9", u"r\u00E9sum\u00E9"},
        {"outside the BMP", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
        {"Latin-1 byte", "\xE9t\xE9", u"\uFFFDt\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut short", "a\xE6\x97", u"a\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toWin32Text(c.text), c.expected) << c.name;
    }
}

TEST(PlatformPathTextTest, EveryMappedNameTravelsBothWays) {
    std::string reserved = ":*?\"<>|\\";
    for (char c = 1; c < 32; ++c) {
        reserved += c;
    }
    const std::string names[] = {reserved, "photos ", " lead", "it'", "nbsp\xC2\xA0", "...", "..x", "a."};
    for (const std::string& name : names) {
        const std::string path = "/tmp/" + name + "/" + name;
        const auto back = toPosixPath(toWin32Text(path).c_str());
        ASSERT_TRUE(back.has_value()) << name;
        EXPECT_EQ(*back, path) << name;
    }
}

TEST(PlatformPathTextTest, AnExactTextNamesThePathAndNoOther) {
    struct Case {
        std::string path;
        std::optional<std::u16string> expected;
    };
    const Case cases[] = {
        {"/a:b/c ", u"\\a\uF03Ab\\c\uF020"}, {"/x/...", u"\\x\\\uF02E.."},
        {"/x\xE3\x80\x80/y", std::nullopt},  {"/x\xFF", std::nullopt},
        {"/x\xEF\x80\xA0", std::nullopt},    {"/x\xEF\xBF\xBD", u"\\x\uFFFD"},
    };
    for (const Case& c : cases) {
        SetLastError(4321);
        EXPECT_EQ(Platform::toExactWin32Text(c.path), c.expected) << c.path;
        EXPECT_EQ(GetLastError(), 4321u) << c.path;
    }
}

TEST(PlatformPathTextTest, NameEndsTravelAsTheirStandIns) {
    struct Case {
        char32_t c;
        std::optional<char32_t> expected;
    };
    const Case cases[] = {
        {U'a', U'a'},
        {U'.', U'.'},
        {U'\x7F', U'\x7F'},
        {U'\x1B', U'\x1B'},
        {U' ', U'\uF020'},
        {U'\t', U'\uF009'},
        {U'\r', U'\uF00D'},
        {U'\x85', U'\uF085'},
        {U'\xA0', U'\uF0A0'},
        {U'\'', U'\uF027'},
        {U'"', U'\uF022'},
        {U'\u3000', std::nullopt},
        {U'\u2000', std::nullopt},
        {U'\u00A1', U'\u00A1'},
        {U'\U0001F600', U'\U0001F600'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Platform::nameEndForm(c.c), c.expected) << static_cast<unsigned>(c.c);
    }
}

TEST(PlatformPathTextTest, SearchPatternsKeepOnlyTheWildcards) {
    struct Case {
        std::u16string name;
        bool expected;
    };
    const Case cases[] = {
        {u"*", true},           {u"*.*", true},  {u"a?c", true},          {u"\uF03A*", true},
        {u"\U0001F600*", true}, {u"a:b", false}, {u"<", false},           {u"\"", false},
        {u"|", false},          {u"\x01", true}, {{0xD800, u'*'}, false}, {{u'*', 0xDC00}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSearchPattern(c.name), c.expected) << ::testing::PrintToString(c.name);
    }
}

} // namespace
