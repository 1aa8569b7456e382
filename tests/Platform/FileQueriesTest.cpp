// Tests of GetFileAttributesW, DeleteFileW and GetCurrentDirectoryW on real files.
#include "Platform/Windows.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::u16string currentDirectory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::vector<WCHAR> buffer(needed);
    const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
    EXPECT_EQ(length + 1, needed);
    return std::u16string(buffer.data(), length);
}

TEST(PlatformFileQueriesTest, AttributesOfWhatIsThere) {
    TempFolder folder;
    addFileAndFolder(folder);
    writeFile(folder.posix("readonly"), "abc");
    ASSERT_EQ(::chmod(folder.posix("readonly").c_str(), 0444), 0);
    ASSERT_EQ(::mkdir(folder.posix("readonly-dir").c_str(), 0555), 0);
    ASSERT_EQ(::symlink("file", folder.posix("link").c_str()), 0);
    struct Case {
        const char* name;
        DWORD expected;
    };
    const Case cases[] = {
        {"file", FILE_ATTRIBUTE_NORMAL},
        {"readonly", FILE_ATTRIBUTE_READONLY},
        {"dir", FILE_ATTRIBUTE_DIRECTORY},
        {"dir/", FILE_ATTRIBUTE_DIRECTORY},
        {"readonly-dir", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY},
        {"link", FILE_ATTRIBUTE_NORMAL},
    };
    for (const Case& c : cases) {
        SetLastError(12345);
        EXPECT_EQ(GetFileAttributesW(folder.win32(c.name).c_str()), c.expected) << c.name;
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << c.name;
    }
}

TEST(PlatformFileQueriesTest, AttributesOfWhatIsNotThere) {
    TempFolder folder;
    writeFile(folder.posix("file"), "abc");
    ASSERT_EQ(::symlink("missing", folder.posix("dangling").c_str()), 0);
    struct Case {
        const char* name;
        std::u16string text;
        DWORD error;
    };
    const Case cases[] = {
        {"missing", folder.win32("missing"), ERROR_FILE_NOT_FOUND},
        {"dangling link", folder.win32("dangling"), ERROR_FILE_NOT_FOUND},
        {"missing folder", folder.win32("missing/x"), ERROR_PATH_NOT_FOUND},
        {"file as folder", folder.win32("file/x"), ERROR_PATH_NOT_FOUND},
        {"empty", u"", ERROR_PATH_NOT_FOUND},
        {"drive", u"C:\\Windows", ERROR_PATH_NOT_FOUND},
        {"UNC", u"\\\\server\\share", ERROR_BAD_NETPATH},
        {"wildcard", folder.win32("*"), ERROR_INVALID_NAME},
        {"unpaired surrogate", folder.win32("") + u"\xD800", ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFileAttributesW(c.text.c_str()), INVALID_FILE_ATTRIBUTES) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
}

TEST(PlatformFileQueriesTest, DeleteFileRemovesFilesAndLinksOnly) {
    TempFolder folder;
    addFileAndFolder(folder);
    writeFile(folder.posix("target"), "abc");
    ASSERT_EQ(::symlink("target", folder.posix("link").c_str()), 0);

    EXPECT_EQ(DeleteFileW(folder.win32("file").c_str()), TRUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_NE(::access(folder.posix("file").c_str(), F_OK), 0);

    EXPECT_EQ(DeleteFileW(folder.win32("link").c_str()), TRUE);
    EXPECT_EQ(::access(folder.posix("target").c_str(), F_OK), 0);

    struct Case {
        const char* name;
        std::u16string text;
        DWORD error;
    };
    const Case cases[] = {
        {"folder", folder.win32("dir"), ERROR_ACCESS_DENIED},
        {"missing", folder.win32("missing"), ERROR_FILE_NOT_FOUND},
        {"missing folder", folder.win32("missing/x"), ERROR_PATH_NOT_FOUND},
        {"empty", u"", ERROR_PATH_NOT_FOUND},
        {"UNC", u"\\\\server\\share\\x", ERROR_BAD_NETPATH},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeleteFileW(c.text.c_str()), FALSE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    EXPECT_EQ(::access(folder.posix("dir").c_str(), F_OK), 0);
}

TEST(PlatformFileQueriesTest, WorkingDirectoryIsARootedText) {
    TempFolder folder;
    ScopedWorkingDirectory inFolder(folder.path());
    const std::u16string expected = folder.win32("").substr(0, folder.path().size());
    EXPECT_EQ(currentDirectory(), expected);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST(PlatformFileQueriesTest, WorkingDirectoryBufferTooSmallGetsNothing) {
    TempFolder folder;
    ScopedWorkingDirectory inFolder(folder.path());
    const DWORD needed = static_cast<DWORD>(folder.path().size() + 1);
    std::vector<WCHAR> buffer(needed, u'x');
    EXPECT_EQ(GetCurrentDirectoryW(needed - 1, buffer.data()), needed);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(GetCurrentDirectoryW(needed, buffer.data()), needed - 1);
    EXPECT_EQ(buffer[needed - 1], u'\0');
}

TEST(PlatformFileQueriesTest, WorkingDirectoryOfAnyLength) {
    // Deeper than MAX_PATH, and deeper than POSIX's PATH_MAX of 4096 bytes: the tree is made and
    // removed one step at a time, as no full path of it may be handed to the system.
    constexpr int kDepth = 60;
    const std::string name(100, 'd');
    TempFolder folder;
    ScopedWorkingDirectory inside(folder.path());
    std::u16string expected = folder.win32("").substr(0, folder.path().size());
    for (int depth = 0; depth < kDepth; ++depth) {
        ASSERT_EQ(::mkdir(name.c_str(), 0755), 0) << depth;
        ASSERT_EQ(::chdir(name.c_str()), 0) << depth;
        expected += u'\\' + std::u16string(name.begin(), name.end());
    }
    ASSERT_GT(expected.size(), 4096u);
    EXPECT_EQ(currentDirectory(), expected);
    EXPECT_EQ(GetFileAttributesW(u"."), FILE_ATTRIBUTE_DIRECTORY);
    for (int depth = 0; depth < kDepth; ++depth) {
        ASSERT_EQ(::chdir(".."), 0) << depth;
        ASSERT_EQ(::rmdir(name.c_str()), 0) << depth;
    }
}

TEST(PlatformFileQueriesTest, WorkingDirectoryWithReservedAndNonAsciiNames) {
    TempFolder folder;
    const std::string name = "2024:q1*\xE6\x97\xA5\xF0\x9F\x98\x80";
    ASSERT_EQ(::mkdir(folder.posix(name).c_str(), 0755), 0);
    writeFile(folder.posix(name + "/a.txt"), "abc");
    ScopedWorkingDirectory inside(folder.posix(name));
    const std::u16string directory = currentDirectory();
    EXPECT_EQ(directory, folder.win32("") + u"2024\uF03Aq1\uF02A\u65E5\U0001F600");
    EXPECT_EQ(GetFileAttributesW(directory.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW((directory + u"\\a.txt").c_str()), FILE_ATTRIBUTE_NORMAL);
}

// A folder whose name has no exact Win32 form is not handed over as the name of the folder that form
// would name.
TEST(PlatformFileQueriesTest, WorkingDirectoryWithoutAnExactTextIsRefused) {
    const std::string names[] = {"q\xE3\x80\x80", "r\xFF", "s\xEF\x80\xA0"};
    for (const std::string& name : names) {
        TempFolder folder;
        ASSERT_EQ(::mkdir(folder.posix(name).c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(folder.posix("q\xEF\xBF\xBD").c_str(), 0755), 0);
        ScopedWorkingDirectory inside(folder.posix(name));
        WCHAR buffer[4096];
        EXPECT_EQ(GetCurrentDirectoryW(4096, buffer), 0u) << name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << name;
    }
}

} // namespace
