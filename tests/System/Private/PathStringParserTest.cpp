// Tests of the path string parser: roots, normalisation, its errors and the path text they quote.
#include "System/Private/PathStringParser.h"

#include "System/Path.h"
#include "System/Win32/PathTraits.h"

#include "tests/Lang/ExpectThrowMessage.h"
#include "tests/PrintableText.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Lang::String;
using Parser = System::Private::PathStringParser<System::Win32::PathTraits>;
using System::RootKind;
using enum System::RootKind;

struct Case {
    String input;
    String expected;
    std::size_t rootLength;
    RootKind kind;
};

void expectParsed(const Case& c, const std::function<RootKind(std::size_t&, String&)>& parse) {
    String text = c.input;
    std::size_t rootLength = 99;
    const RootKind kind = parse(rootLength, text);
    EXPECT_EQ(text, c.expected) << printable(c.input) << " gave " << printable(text);
    EXPECT_EQ(rootLength, c.rootLength) << printable(c.input);
    EXPECT_EQ(kind, c.kind) << printable(c.input);
}

void expectProcessed(const Case& c) {
    expectParsed(
        c, [](std::size_t& rootLength, String& text) { return Parser::processPathString(rootLength, text); });
}

const std::vector<Case> kExamples = {
    {u"C:", u"C:\\", 3, Drive},
    {u"c:/Data//x/", u"c:\\Data\\\\x", 3, Drive},
    {u"a\\.\\b\\..\\c", u"a\\c", 0, Relative},
    {u"a/b/..", u"a", 0, Relative},
    {u"a/b/.", u"a\\b", 0, Relative},
    {u"a/..", u"", 0, Relative},
    {u"/x/y/", u"\\x\\y", 1, Rooted},
    {u"\\\\srv", u"\\\\srv", 5, Unc},
    {u"\\\\srv\\share", u"\\\\srv\\share\\", 12, Unc},
    {u"//srv/share/d/", u"\\\\srv\\share\\d", 12, Unc},
    {u"\\\\srv\\share\\..", u"\\\\srv\\share\\..", 12, Unc},
    {u"C:\\..\\x", u"C:\\..\\x", 3, Drive},
};

const std::vector<Case> kEdgeCases = {
    // roots
    {u"", u"", 0, Relative},
    {u"C:/", u"C:\\", 3, Drive},
    {u"\u00E9:\\x", u"\u00E9:\\x", 3, Drive},
    {u"\\", u"\\", 1, Rooted},
    {u"/", u"\\", 1, Rooted},
    {u"\\x", u"\\x", 1, Rooted},
    {u"\\\\", u"\\\\", 2, Unc},
    {u"\\\\srv\\", u"\\\\srv\\", 6, Unc},
    {u"//srv/share/", u"\\\\srv\\share\\", 12, Unc},
    {u"\\\\srv\\\\x", u"\\\\srv\\\\x", 7, Unc},
    {u"\\\\?\\C:\\x", u"\\\\?\\C:\\x", 7, Unc},
    {u"\\\\a:*\\<|>\\x", u"\\\\a:*\\<|>\\x", 10, Unc},
    // dots
    {u"a..b", u"a..b", 0, Relative},
    {u".x", u".x", 0, Relative},
    {u"a.", u"a.", 0, Relative},
    {u"a..", u"a..", 0, Relative},
    {u"a...b", u"a...b", 0, Relative},
    {u"a\\ .", u"a\\ .", 0, Relative},
    {u".", u"", 0, Relative},
    {u"./a", u"a", 0, Relative},
    {u"a/./b", u"a\\b", 0, Relative},
    {u"C:\\.", u"C:\\", 3, Drive},
    {u"C:\\a\\..", u"C:\\", 3, Drive},
    {u"\\..\\x", u"\\..\\x", 1, Rooted},
    {u"..", u"..", 0, Relative},
    {u"..\\..\\x", u"..\\..\\x", 0, Relative},
    {u"..\\a\\..", u"..", 0, Relative},
    {u"a\\b\\..\\..\\..", u"..", 0, Relative},
    // separators
    {u"a\\\\", u"a\\", 0, Relative},
    {u"a\\", u"a", 0, Relative},
    {u"C:\\", u"C:\\", 3, Drive},
    {u"a\\\\b", u"a\\\\b", 0, Relative},
    {u" a ", u" a ", 0, Relative},
    // removed components never leave a separator that would read as a root
    {u".\\\\\u00BA\\", u"\u00BA", 0, Relative},
    {u"a\\..\\\\x", u"x", 0, Relative},
    {u"./\\\\x", u"x", 0, Relative},
    {u"\\.\\\\x", u"\\x", 1, Rooted},
    {u"\\a\\..\\\\x", u"\\x", 1, Rooted},
    {u"C:\\.\\\\x", u"C:\\\\x", 3, Drive},
    {u"..\\\\x", u"..\\\\x", 0, Relative},
    // characters outside the Basic Multilingual Plane
    {u"a\U0001003A", u"a\U0001003A", 0, Relative},
    {u"\U0001D400:\\x", u"\U0001D400:\\x", 4, Drive},
    {u"ab\\..\\\U0001F600x", u"\U0001F600x", 0, Relative},
    {u"\U0001F600\\..\\ab", u"ab", 0, Relative},
    {u"\U0001F600\U0001F600\\..\\abc\\..\\\U0001F600", u"\U0001F600", 0, Relative},
};

TEST(PathStringParserTest, NormalisesTheExamples) {
    for (const Case& c : kExamples)
        expectProcessed(c);
}

TEST(PathStringParserTest, NormalisesTheEdgeCases) {
    for (const Case& c : kEdgeCases)
        expectProcessed(c);
}

// Every chosen ASCII letter replaced by a letter of two code units (U+1D41A to U+1D433).
String widened(const String& text, bool (*chosen)(char16_t)) {
    String result;
    for (const char16_t unit : text) {
        if (unit >= u'a' && unit <= u'z' && chosen(unit))
            result += String{0xD835, static_cast<char16_t>(0xDC1A + unit - u'a')};
        else
            result += unit;
    }
    return result;
}

// Components of letters that take two code units, alone or mixed with one-unit letters, are written
// over removed components of another width: the unread rest of the text must not be lost or misread.
TEST(PathStringParserTest, LettersOfTwoUnitsNormaliseLikeOthers) {
    bool (*const choices[])(char16_t) = {[](char16_t) { return true; }, [](char16_t u) { return u % 2 == 0; },
                                         [](char16_t u) { return u % 3 == 0; }};
    for (const auto& table : {kExamples, kEdgeCases}) {
        for (const Case& c : table) {
            for (const auto chosen : choices) {
                const String rootText = widened(c.expected.substr(0, c.rootLength), chosen);
                expectProcessed(
                    {widened(c.input, chosen), widened(c.expected, chosen), rootText.size(), c.kind});
            }
        }
    }
}

TEST(PathStringParserTest, FindRootLeavesTheRestAlone) {
    const Case cases[] = {
        {u"", u"", 0, Relative},
        {u"a/./b", u"a/./b", 0, Relative},
        {u"C:", u"C:\\", 3, Drive},
        {u"c:/x/../y/", u"c:\\x/../y/", 3, Drive},
        {u"/x/y", u"\\x/y", 1, Rooted},
        {u"//srv/share/d/", u"\\\\srv\\share\\d/", 12, Unc},
        {u"//srv/share", u"\\\\srv\\share\\", 12, Unc},
        {u"//srv/", u"\\\\srv\\", 6, Unc},
        {u"1:", u"1:", 0, Relative},
    };
    for (const Case& c : cases)
        expectParsed(c, Parser::findRoot);
}

// The root given is kept as it is, even where the text read afresh would start with another root.
TEST(PathStringParserTest, NormaliseAfterRootKeepsTheGivenRoot) {
    const Case cases[] = {
        {u"\\\\x", u"\\x", 1, Rooted},          {u"\\/x\\.", u"\\x", 1, Rooted},
        {u"\\\\srv\\x", u"\\\\srv\\x", 5, Unc}, {u"\\\\srv\\..", u"\\\\srv\\..", 5, Unc},
        {u"C:/a/../b/", u"C:/b", 3, Drive},     {u"a/./b", u"a\\b", 0, Relative},
    };
    for (const Case& c : cases) {
        String text = c.input;
        Parser::normaliseAfterRoot(c.rootLength, text);
        EXPECT_EQ(text, c.expected) << printable(c.input) << " gave " << printable(text);
    }
}

std::string pathMessage(const std::string& message, const std::string& quotedPath) {
    return message + ": in path string \"" + quotedPath + "\"";
}

void expectPathError(const String& input, const std::string& expected) {
    String text = input;
    std::size_t rootLength = 0;
    SCOPED_TRACE(printable(input));
    expectThrowMessage<System::Path::Exception>([&] { Parser::processPathString(rootLength, text); },
                                                expected);
}

TEST(PathStringParserTest, RejectsMalformedTextQuotingItAsFarAsRewritten) {
    const std::string& invalidChars = System::Win32::PathTraits::invalidCharsMsg();
    struct ErrorCase {
        String input;
        std::string message;
        std::string quotedPath;
    };
    const ErrorCase cases[] = {
        {u"C:foo", "Malformed Volume", "C:foo"},
        {u"x:y", "Malformed Volume", "x:y"},
        {u"\u00E9:z", "Malformed Volume", "\xE9:z"},
        {u"\u0100:z", "Malformed Volume", "&#x100;:z"},
        {u"1:", invalidChars, "1:"},
        {u"a\\...\\b", "... is illegal", "a\\...\\b"},
        {u"...", "... is illegal", "..."},
        {u"a\\....", "... is illegal", "a\\...."},
        {u"a/...", "... is illegal", "a\\..."},
        {u"..x", "..<anything> is illegal", "..x"},
        {u"a\\..b", "..<anything> is illegal", "a\\..b"},
        {u"a/b/../c:d", invalidChars, "a\\c\\../c:d"},
        {u"C:/x/./y*", invalidChars, "C:\\x\\y/y*"},
        {u"/a:", invalidChars, "\\a:"},
    };
    for (const ErrorCase& c : cases)
        expectPathError(c.input, pathMessage(c.message, c.quotedPath));
}

TEST(PathStringParserTest, InvalidCharsMessageNamesTheForbiddenCharacters) {
    EXPECT_EQ(System::Win32::PathTraits::invalidCharsMsg(),
              "paths may not contain any of the following: :*?\"<>|\\r\\n\\b\\0");
}

// what() ends at a NUL in the quoted path, so the texts are compared up to it.
TEST(PathStringParserTest, RejectsEveryForbiddenCharacterAfterTheRoot) {
    const String forbidden = String(u":*?\"<>|\r\n\b") + u'\0';
    for (const char16_t ch : forbidden) {
        const String input = String(u"C:/a") + ch + u"b";
        const std::string quoted = std::string("C:\\a") + static_cast<char>(ch) + "b";
        const std::string expected = pathMessage(System::Win32::PathTraits::invalidCharsMsg(), quoted);
        expectPathError(input, expected.c_str());
    }
}

std::string locationOf(const String& input) {
    String text = input;
    std::size_t rootLength = 0;
    try {
        Parser::processPathString(rootLength, text);
    } catch (const System::Path::Exception& error) {
        return printable(error.getLocation());
    }
    return "nothing thrown";
}

TEST(PathStringParserTest, ErrorsCarryTheirThrowSite) {
    const std::string parser = "System::Private::PathStringParser<System::Win32::PathTraits>::";
    const struct {
        String input;
        std::string function;
    } cases[] = {
        {u"x:y", "findRoot"},
        {u"...", "processPathString"},
        {u"..x", "processPathString"},
        {u"a*", "processPathString"},
    };
    for (const auto& c : cases) {
        const std::string location = locationOf(c.input);
        EXPECT_TRUE(location.starts_with("System/Private/PathStringParser(")) << location;
        EXPECT_TRUE(location.ends_with(") : " + parser + c.function)) << location;
    }
}

// After a component of another width was removed the read position must stay on the next input
// character, so a later error is still found.
TEST(PathStringParserTest, FindsErrorsAfterWidthChangingRewrites) {
    const String cases[] = {u"ab\\..\\\U0001F600\\...", u"\U0001F600\\..\\a\\...", u"\U0001F600\\..\\a\\..x"};
    for (const String& input : cases) {
        String text = input;
        std::size_t rootLength = 0;
        EXPECT_THROW(Parser::processPathString(rootLength, text), System::Path::Exception)
            << printable(input);
    }
}

TEST(PathStringParserTest, BrokenUtf16RaisesTheDecoderError) {
    const struct {
        String input;
        std::string message;
    } cases[] = {
        {{u'a', 0xDC00}, "Unpaired UTF-16 low-surrogate"},
        {{u'a', 0xD800}, "Incomplete UTF-16 surrogate pair"},
        {{u'a', 0xD800, u'b'}, "Unpaired UTF-16 high-surrogate"},
        {{0xDC00, u':'}, "Unpaired UTF-16 low-surrogate"},
        {{u'\\', u'\\', u's', 0xDC00}, "Unpaired UTF-16 low-surrogate"},
        {{u'C', u':', u'\\', 0xD800}, "Incomplete UTF-16 surrogate pair"},
    };
    for (const auto& c : cases) {
        String text = c.input;
        std::size_t rootLength = 0;
        SCOPED_TRACE(printable(c.input));
        expectThrowMessage<std::invalid_argument>([&] { Parser::processPathString(rootLength, text); },
                                                  c.message);
    }
}

} // namespace
