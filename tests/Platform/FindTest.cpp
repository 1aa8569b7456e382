// Tests of FindFirstFileW, FindNextFileW and FindClose on a real folder.
#include "Platform/Windows.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every name a search delivers, in delivery order; empty when it finds nothing.
std::vector<std::u16string> searchNames(const std::u16string& text) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW(text.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        return names;
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(search, &data) == TRUE);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(FindClose(search), TRUE);
    return names;
}

// The delivered names with the entries after the dot entries sorted, as folder order is arbitrary.
std::vector<std::u16string> sortedAfterDots(std::vector<std::u16string> names) {
    const auto firstOther = std::find_if(
        names.begin(), names.end(), [](const std::u16string& name) { return name != u"." && name != u".."; });
    std::sort(firstOther, names.end());
    return names;
}

class PlatformFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.txt", "b.txt", "c.log", "noext", ".hidden", "x:y",
                                 "\xE6\x97\xA5\xE6\x9C\xAC.txt", "sp ", "bad\xFF"}) {
            writeFile(m_folder.posix(name), "12345");
        }
        ASSERT_EQ(::mkdir(m_folder.posix("sub").c_str(), 0755), 0);
    }

    std::u16string text(const std::string& name) const { return m_folder.win32(name); }

    TempFolder m_folder;
};

TEST_F(PlatformFindTest, PatternsOnTheLastComponent) {
    // "bad\xFF" has no exact Win32 name and is not delivered; "sp " ends in its space's stand-in.
    const std::vector<std::u16string> everything = {
        u".",   u"..",       u".hidden",          u"a.txt", u"b.txt", u"c.log", u"noext", u"sp\uF020",
        u"sub", u"x\uF03Ay", u"\u65E5\u672C.txt",
    };
    struct Case {
        std::u16string pattern;
        std::vector<std::u16string> expected;
    };
    const Case cases[] = {
        {u"*", everything},
        {u"*.*", everything},
        {u"*.txt", {u"a.txt", u"b.txt", u"\u65E5\u672C.txt"}},
        {u"?.txt", {u"a.txt", u"b.txt"}},
        {u"??.txt", {u"\u65E5\u672C.txt"}},
        {u".*", {u".", u"..", u".hidden"}},
        {u"?", {u"."}},
        {u"*\uF03A*", {u"x\uF03Ay"}},
        {u"*o*", {u"c.log", u"noext"}},
        {u"s*b", {u"sub"}},
        {u"a*t*t", {u"a.txt"}},
        {u"*.TXT", {}},
        {u"z*", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sortedAfterDots(searchNames(text("") + c.pattern)), c.expected)
            << ::testing::PrintToString(c.pattern);
    }
}

TEST_F(PlatformFindTest, NameWithoutWildcardsFindsExactlyThatEntry) {
    EXPECT_EQ(searchNames(text("a.txt")), std::vector<std::u16string>{u"a.txt"});
    EXPECT_EQ(searchNames(text("sub")), std::vector<std::u16string>{u"sub"});
    EXPECT_EQ(searchNames(text("") + u"x\uF03Ay"), std::vector<std::u16string>{u"x\uF03Ay"});
    EXPECT_EQ(searchNames(text("missing")), std::vector<std::u16string>{});
}

TEST_F(PlatformFindTest, EntriesCarryAttributesAndSizes) {
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(text("a.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_EQ(FindNextFileW(search, &data), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(FindClose(search), TRUE);

    search = FindFirstFileW(text("su*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    EXPECT_EQ(FindClose(search), TRUE);
}

TEST_F(PlatformFindTest, SearchesThatFail) {
    struct Case {
        const char* name;
        std::u16string text;
        DWORD error;
    };
    const Case cases[] = {
        {"missing folder", text("missing/*"), ERROR_PATH_NOT_FOUND},
        {"missing folder, exact name", text("missing/a.txt"), ERROR_PATH_NOT_FOUND},
        {"file as folder", text("a.txt/*"), ERROR_PATH_NOT_FOUND},
        {"trailing separator", text("sub/"), ERROR_FILE_NOT_FOUND},
        {"wildcard in a folder", text("s*/a.txt"), ERROR_INVALID_NAME},
        {"reserved character in the pattern", text("a<*"), ERROR_INVALID_NAME},
        {"name too long", text(std::string(MAX_PATH, 'n')), ERROR_FILENAME_EXCED_RANGE},
        {"drive", u"C:\\*", ERROR_PATH_NOT_FOUND},
        {"drive relative", u"C:*", ERROR_PATH_NOT_FOUND},
        {"UNC", u"\\\\server\\share\\*", ERROR_BAD_NETPATH},
        {"empty", u"", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        WIN32_FIND_DATAW data{};
        EXPECT_EQ(FindFirstFileW(c.text.c_str(), &data), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(data.cFileName[0], u'\0') << c.name;
    }
}

TEST_F(PlatformFindTest, RelativeSearchesTheWorkingDirectory) {
    ScopedWorkingDirectory inFolder(m_folder.path());
    EXPECT_EQ(searchNames(u"*.log"), std::vector<std::u16string>{u"c.log"});
    EXPECT_EQ(searchNames(u"sub\\*"), (std::vector<std::u16string>{u".", u".."}));
    EXPECT_EQ(searchNames(u"noext"), std::vector<std::u16string>{u"noext"});
}

TEST_F(PlatformFindTest, DanglingLinkIsListed) {
    ASSERT_EQ(::symlink("missing", m_folder.posix("sub/dangling").c_str()), 0);
    EXPECT_EQ(searchNames(text("sub/d*")), std::vector<std::u16string>{u"dangling"});
}

TEST_F(PlatformFindTest, UnknownSearchHandles) {
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW(text("*").c_str(), &data);
    ASSERT_EQ(FindClose(search), TRUE);
    const HANDLE invalid[] = {search, INVALID_HANDLE_VALUE, nullptr};
    for (const HANDLE candidate : invalid) {
        EXPECT_EQ(FindNextFileW(candidate, &data), FALSE) << candidate;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << candidate;
        EXPECT_EQ(FindClose(candidate), FALSE) << candidate;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << candidate;
    }
}

} // namespace
