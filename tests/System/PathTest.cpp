// Tests of the path value: construction from text, its parts, combining paths and the path exception.
#include "System/Path.h"

#include "tests/Lang/ExpectThrowMessage.h"
#include "tests/Lang/ThrownBy.h"
#include "tests/PrintableText.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Lang::String;
using System::Path;
using System::RootKind;
using enum System::RootKind;

struct Expected {
    String text;
    std::size_t rootLength;
    RootKind kind;
};

void expectPath(const Path& path, const Expected& expected, const std::string& row) {
    EXPECT_EQ(path.toString(), expected.text) << row << " gave " << printable(path.str());
    EXPECT_EQ(path.getRootLength(), expected.rootLength) << row;
    EXPECT_EQ(path.getRootKind(), expected.kind) << row;
}

std::string pathMessage(const std::string& message, const std::string& quotedPath) {
    return message + ": in path string \"" + quotedPath + "\"";
}

TEST(PathTest, DefaultIsTheEmptyPath) {
    expectPath(Path(), {u"", 0, Relative}, "default");
}

TEST(PathTest, ConstructionTrimsUnquotesAndNormalises) {
    const struct {
        String input;
        Expected expected;
    } cases[] = {
        {u"", {u"", 0, Relative}},
        {u"   ", {u"", 0, Relative}},
        {u"\t \u3000\u00A0", {u"", 0, Relative}},
        {u"\"", {u"", 0, Relative}},
        {u"'", {u"", 0, Relative}},
        {u"\"\"", {u"", 0, Relative}},
        {u" \"C:\\data\\x.txt\" ", {u"C:\\data\\x.txt", 3, Drive}},
        {u"\"a", {u"a", 0, Relative}},
        {u"a'", {u"a", 0, Relative}},
        {u"\"a'", {u"a", 0, Relative}},
        {u"\" a \"", {u" a ", 0, Relative}},
        {u"  c:/Data//x/  ", {u"c:\\Data\\\\x", 3, Drive}},
        {u"'//srv/share'", {u"\\\\srv\\share\\", 12, Unc}},
        {u"/x/y/", {u"\\x\\y", 1, Rooted}},
        {u"a/b/..", {u"a", 0, Relative}},
        {u"\U0001D400:/x", {u"\U0001D400:\\x", 4, Drive}},
    };
    for (const auto& c : cases)
        expectPath(Path(c.input), c.expected, printable(c.input));
}

TEST(PathTest, ConstructionRejectsMalformedText) {
    const std::string& invalidChars = System::Win32::PathTraits::invalidCharsMsg();
    const struct {
        String input;
        std::string expected;
    } cases[] = {
        {u"C:foo", pathMessage("Malformed Volume", "C:foo")},
        {u" \"x:y\" ", pathMessage("Malformed Volume", "x:y")},
        {u"a\\...", pathMessage("... is illegal", "a\\...")},
        {u"..x", pathMessage("..<anything> is illegal", "..x")},
        {u"\"\"a\"\"", pathMessage(invalidChars, "\"a\"")},
        {u"a/b/../c:d", pathMessage(invalidChars, "a\\c\\../c:d")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(printable(c.input));
        expectThrowMessage<Path::Exception>([&] { Path{c.input}; }, c.expected);
    }
}

struct PartCase {
    String input;
    Expected expected;
};

TEST(PathTest, GetRoot) {
    const PartCase cases[] = {
        {u"\\\\srv\\share\\d\\e", {u"\\\\srv\\share\\", 12, Unc}},
        {u"\\\\srv", {u"\\\\srv", 5, Unc}},
        {u"a\\b", {u"", 0, Relative}},
        {u"", {u"", 0, Relative}},
        {u"C:\\x", {u"C:\\", 3, Drive}},
        {u"C:\\", {u"C:\\", 3, Drive}},
        {u"\\x", {u"\\", 1, Rooted}},
        {u"\U0001D400:\\x", {u"\U0001D400:\\", 4, Drive}},
    };
    for (const PartCase& c : cases)
        expectPath(Path(c.input).getRoot(), c.expected, printable(c.input));
}

TEST(PathTest, GetParent) {
    const PartCase cases[] = {
        {u"C:\\dir\\file", {u"C:\\dir", 3, Drive}},
        {u"C:\\file", {u"C:\\", 3, Drive}},
        {u"C:\\", {u"C:\\", 3, Drive}},
        {u"\\\\srv\\share\\d", {u"\\\\srv\\share\\", 12, Unc}},
        {u"\\\\srv", {u"\\\\srv", 5, Unc}},
        {u"\\x", {u"\\", 1, Rooted}},
        {u"a\\b", {u"a", 0, Relative}},
        {u"a\\\\b", {u"a", 0, Relative}},
        {u"name", {u"", 0, Relative}},
        {u"", {u"", 0, Relative}},
        {u"..\\..", {u"..", 0, Relative}},
    };
    for (const PartCase& c : cases)
        expectPath(Path(c.input).getParent(), c.expected, printable(c.input));
}

TEST(PathTest, GetFileName) {
    const PartCase cases[] = {
        {u"C:\\dir\\a.txt", {u"a.txt", 0, Relative}},
        {u"C:\\", {u"", 0, Relative}},
        {u"", {u"", 0, Relative}},
        {u"\\\\srv\\share\\f.txt", {u"f.txt", 0, Relative}},
        {u"\\\\srv", {u"", 0, Relative}},
        {u"name", {u"name", 0, Relative}},
        {u"a\\ b ", {u"b", 0, Relative}},
    };
    for (const PartCase& c : cases)
        expectPath(Path(c.input).getFileName(), c.expected, printable(c.input));
}

// A name that is valid inside a path can expose a dot pattern once trimmed or unquoted.
TEST(PathTest, GetFileNameReparsesTheName) {
    for (const String input : {u"a\\ ...", u"a\\'...'"}) {
        const Path path(input);
        SCOPED_TRACE(printable(input));
        expectThrowMessage<Path::Exception>([&] { path.getFileName(); },
                                            pathMessage("... is illegal", "..."));
    }
}

struct CombineCase {
    String path;
    String other;
    Expected expected;
};

// Applies `combine` to the path of each row with the row's other text.
template <class Combine>
void expectCombined(const std::vector<CombineCase>& cases, const std::string& joiner, Combine combine) {
    for (const CombineCase& c : cases) {
        Path path(c.path);
        combine(path, c.other);
        expectPath(path, c.expected, printable(c.path) + joiner + printable(c.other));
    }
}

TEST(PathTest, SetRoot) {
    const std::vector<CombineCase> cases = {
        {u"\\x", u"C:\\", {u"C:\\x", 3, Drive}},
        {u"a", u"C:\\", {u"C:\\a", 3, Drive}},
        {u"\\x\\y", u"C:\\", {u"C:\\x\\y", 3, Drive}},
        {u"a\\b", u"C:\\w", {u"C:\\w\\a\\b", 3, Drive}},
        {u"\\x", u"\\\\srv\\share", {u"\\\\srv\\share\\x", 12, Unc}},
        {u"\\x", u"\\\\srv", {u"\\\\srv\\x", 5, Unc}},
        {u"x", u"\\\\srv", {u"\\\\srv\\x", 5, Unc}},
        {u"C:\\x", u"D:\\", {u"D:\\x", 3, Drive}},
        // A root naming only a server ends without a backslash: none of the server name stays.
        {u"\\\\srv", u"C:\\w", {u"C:\\w", 3, Drive}},
        {u"\\\\:", u"a", {u"a", 0, Relative}},
        // The separator after a root naming only a server stays, and so does a ".." right after it.
        {u"..\\z", u"\\\\srv", {u"\\\\srv\\..\\z", 5, Unc}},
        {u"..", u"//s", {u"\\\\s\\..", 3, Unc}},
        {u"../..\\../z", u"\\\\\u00E9\U0001D400", {u"\\\\\u00E9\U0001D400\\..\\..\\..\\z", 5, Unc}},
        {u"\\x", u"", {u"x", 0, Relative}},
        {u"a", u"", {u"a", 0, Relative}},
        {u"", u"C:\\w", {u"C:\\w", 3, Drive}},
    };
    expectCombined(cases, " under ", [](Path& path, const String& root) { path.setRoot(Path(root)); });
}

TEST(PathTest, SetParent) {
    const std::vector<CombineCase> cases = {
        {u"a.txt", u"C:\\work", {u"C:\\work\\a.txt", 3, Drive}},
        {u"a.txt", u"C:\\", {u"C:\\a.txt", 3, Drive}},
        {u"d\\a.txt", u"C:\\work", {u"C:\\work\\a.txt", 3, Drive}},
        {u"sub\\dir\\a.txt", u"C:\\work", {u"C:\\work\\a.txt", 3, Drive}},
        {u"C:\\x\\a.txt", u"\\\\srv\\share", {u"\\\\srv\\share\\a.txt", 12, Unc}},
        {u"\\a.txt", u"\\home\\me", {u"\\home\\me\\a.txt", 1, Rooted}},
        {u"a.txt", u"", {u"a.txt", 0, Relative}},
    };
    expectCombined(cases, " under ", [](Path& path, const String& parent) { path.setParent(Path(parent)); });
}

TEST(PathTest, SetParentOfTheEmptyPathFailsAndKeepsIt) {
    Path path;
    expectThrowMessage<std::range_error>([&] { path.setParent(Path(u"C:\\work")); },
                                         "Invalid pointer range passed to Lang::Platform::Utf16::getIndex: "
                                         "type=wchar_t, required=1, available=0");
    expectPath(path, {u"", 0, Relative}, "empty path");
}

TEST(PathTest, Append) {
    const std::vector<CombineCase> cases = {
        {u"C:\\", u"x", {u"C:\\x", 3, Drive}},
        {u"C:\\", u"\\x", {u"C:\\x", 3, Drive}},
        {u"a", u"\\x", {u"a\\x", 0, Relative}},
        {u"a", u"/b", {u"a\\\\b", 0, Relative}},
        {u"C:\\a", u"\\\\x", {u"C:\\a\\\\x", 3, Drive}},
        {u"C:\\a", u"", {u"C:\\a", 3, Drive}},
        {u"C:\\a\\b", u"..\\c", {u"C:\\a\\c", 3, Drive}},
        {u"a\\b", u"..\\..\\..", {u"..", 0, Relative}},
        // The tail is normalised after the path's own root, never read as a root of its own.
        {u"\\", u"\\\\x", {u"\\x", 1, Rooted}},
        {u"\\", u"/x", {u"\\x", 1, Rooted}},
        {u"\\\\srv", u"x", {u"\\\\srv\\x", 5, Unc}},
        {u"\\\\srv", u"..\\z", {u"\\\\srv\\..\\z", 5, Unc}},
        {u"\\\\srv", u"../..\\../z", {u"\\\\srv\\..\\..\\..\\z", 5, Unc}},
        {u"\\\\+", u"..", {u"\\\\+\\..", 3, Unc}},
        {u"//s", u"..\\z", {u"\\\\s\\..\\z", 3, Unc}},
        {u"\\\\\u00E9\U0001D400", u"..", {u"\\\\\u00E9\U0001D400\\..", 5, Unc}},
        {u"", u"x", {u"x", 0, Relative}},
        {u"", u"", {u"", 0, Relative}},
        // The empty path parses the tail as a path of its own.
        {u"", u"C:/x/", {u"C:\\x", 3, Drive}},
        {u"", u"//srv/share", {u"\\\\srv\\share\\", 12, Unc}},
    };
    expectCombined(cases, " + ", [](Path& path, const String& tail) { path.append(tail); });
    expectCombined(cases, " / ", [](Path& path, const String& tail) { path = path / tail; });
}

TEST(PathTest, FailedAppendKeepsThePath) {
    const std::string& invalidChars = System::Win32::PathTraits::invalidCharsMsg();
    const struct {
        String path;
        String tail;
        std::string expected;
    } cases[] = {
        {u"C:\\a", u"b*", pathMessage(invalidChars, "C:\\a\\b*")},
        {u"a", u"...", pathMessage("... is illegal", "a\\...")},
        {u"\\", u"\\\\C:", pathMessage(invalidChars, "\\CC:")},
        {u"\\\\srv", u"..\\z*", pathMessage(invalidChars, "\\\\srv\\..\\z*")},
        {u"", u"a*b", pathMessage(invalidChars, "a*b")},
    };
    for (const auto& c : cases) {
        const Path before(c.path);
        Path path = before;
        const std::string row = printable(c.path) + " + " + printable(c.tail);
        SCOPED_TRACE(row);
        expectThrowMessage<Path::Exception>([&] { path.append(c.tail); }, c.expected);
        expectThrowMessage<Path::Exception>([&] { path / c.tail; }, c.expected);
        expectPath(path, {before.toString(), before.getRootLength(), before.getRootKind()}, row);
    }
}

// Joined text is normalised by the parser's processPathString, and its errors say so.
TEST(PathTest, JoiningErrorsNameTheParserOperation) {
    Path path(u"C:\\a");
    const std::function<void()> rows[] = {
        [&] { path.append(u"..."); },
        [&] { path / u"b*"; },
        [] { Path::joinPathStrings(u"a", u"..x"); },
    };
    for (const auto& row : rows)
        EXPECT_EQ(thrownBy<Path::Exception>(row).function,
                  "System::Private::PathStringParser<System::Win32::PathTraits>::processPathString");
}

TEST(PathTest, SlashOperatorAppendsToACopy) {
    const Path path(u"C:\\a");
    expectPath(path / u"b/c", {u"C:\\a\\b\\c", 3, Drive}, "C:\\a / b/c");
    expectPath(path, {u"C:\\a", 3, Drive}, "C:\\a");
}

TEST(PathTest, JoinPathStrings) {
    const struct {
        String a;
        String b;
        String expected;
    } cases[] = {
        {u"", u"x/./y", u"x/./y"}, {u"a/./b", u"", u"a/./b"}, {u"a\\", u"\\b", u"a\\b"},
        {u"a\\", u"b", u"a\\b"},   {u"a", u"\\b", u"a\\b"},   {u"a", u"b", u"a\\b"},
        {u"a", u"/b", u"a\\\\b"},  {u"C:", u"x", u"C:\\x"},   {u"a/b", u"../c/", u"a\\c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Path::joinPathStrings(c.a, c.b), c.expected) << printable(c.a) << " + " << printable(c.b);
}

TEST(PathTest, ExceptionMessagesQuoteThePath) {
    static_assert(std::is_base_of_v<Lang::Exception, Path::Exception>);
    const Path::Exception narrow("Malformed Volume", u"x:y");
    EXPECT_STREQ(narrow.what(), "Malformed Volume: in path string \"x:y\"");
    EXPECT_EQ(String(narrow.getLocation()), u"");

    const Path::Exception outsideCodePage("Malformed Volume", u"\u0100:y", "here");
    EXPECT_STREQ(outsideCodePage.what(), "Malformed Volume: in path string \"&#x100;:y\"");
    EXPECT_EQ(String(outsideCodePage.getLocation()), u"here");

    const Path::Exception wide(u"Failed to get size: Not a file", u"C:\\\u00E9\u0100",
                               Lang::unknownLocation());
    EXPECT_STREQ(wide.what(), "Failed to get size: Not a file: in path string \"C:\\\xE9&#x100;\"");
    EXPECT_EQ(String(wide.getLocation()), u"Unknown Location");

    const Path::Exception copy(wide);
    EXPECT_STREQ(copy.what(), wide.what());
    EXPECT_EQ(String(copy.getLocation()), u"Unknown Location");
}

} // namespace
