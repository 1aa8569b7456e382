// Tests of the runtime-library stand-ins: share-mode open, 64-bit positioning, errno numbering,
// bounded sprintf and the floating-point class tests.
#include "Platform/Crt.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {

int microsoftErrno() {
    int value = -1;
    EXPECT_EQ(_get_errno(&value), 0);
    return value;
}

TEST(PlatformCrtTest, ModesOpenAsStdioDoes) {
    struct Case {
        const char16_t* mode;
        std::optional<std::string> before;
        bool writes;
        std::string after;
        std::string read;
    };
    const Case cases[] = {
        {u"rb", "abc", false, "abc", "abc"},    {u"wb", "abc", true, "XY", ""},
        {u"wb", std::nullopt, true, "XY", ""},  {u"ab", "abc", true, "abcXY", ""},
        {u"rb+", "abc", true, "XYc", "c"},      {u"r+b", "abc", true, "XYc", "c"},
        {u"wb+", "abc", true, "XY", ""},        {u"ab+", std::nullopt, true, "XY", ""},
        {u"wbx", std::nullopt, true, "XY", ""}, {u"wb+x", std::nullopt, true, "XY", ""},
    };
    TempFolder folder;
    int row = 0;
    for (const Case& c : cases) {
        const std::string name = "file" + std::to_string(row++);
        if (c.before) {
            writeFile(folder.posix(name), *c.before);
        }
        std::FILE* stream = _wfsopen(folder.win32(name).c_str(), c.mode, _SH_DENYRW);
        ASSERT_NE(stream, nullptr) << row;
        if (c.writes) {
            EXPECT_EQ(std::fwrite("XY", 1, 2, stream), 2u) << row;
            std::fflush(stream);
        }
        char buffer[8];
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        EXPECT_EQ(std::string(buffer, got), c.read) << row;
        EXPECT_EQ(std::fclose(stream), 0) << row;
        EXPECT_EQ(readFile(folder.posix(name)), c.after) << row;
    }
}

TEST(PlatformCrtTest, RefusedOpensSetErrno) {
    TempFolder folder;
    addFileAndFolder(folder);
    struct Case {
        const char* name;
        std::u16string text;
        const char16_t* mode;
        int share;
        int error;
    };
    const Case cases[] = {
        {"missing", folder.win32("missing"), u"rb", _SH_DENYNO, 2},
        {"missing folder", folder.win32("missing/x"), u"wb", _SH_DENYNO, 2},
        {"folder for reading", folder.win32("dir"), u"rb", _SH_DENYNO, 13},
        {"folder for writing", folder.win32("dir"), u"wb", _SH_DENYNO, 13},
        {"drive", u"C:\\file", u"rb", _SH_DENYNO, 2},
        {"UNC", u"\\\\server\\share", u"rb", _SH_DENYNO, 2},
        {"invalid name", folder.win32("a|b"), u"wb", _SH_DENYNO, 22},
        {"empty mode", folder.win32("file"), u"", _SH_DENYNO, 22},
        {"unknown mode", folder.win32("file"), u"x", _SH_DENYNO, 22},
        {"two letters", folder.win32("file"), u"rw", _SH_DENYNO, 22},
        {"two b", folder.win32("file"), u"rbb", _SH_DENYNO, 22},
        {"exclusive over a file", folder.win32("file"), u"wbx", _SH_DENYNO, 17},
        {"exclusive over a folder", folder.win32("dir"), u"wb+x", _SH_DENYNO, 17},
        {"exclusive for reading", folder.win32("new"), u"rbx", _SH_DENYNO, 22},
        {"exclusive twice", folder.win32("new"), u"wbxx", _SH_DENYNO, 22},
        {"a name too long", folder.win32(std::string(256, 'n')), u"wbx", _SH_DENYNO, 2},
        {"unknown share flag", folder.win32("file"), u"rb", 0, 22},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(_wfsopen(c.text.c_str(), c.mode, c.share), nullptr) << c.name;
        EXPECT_EQ(microsoftErrno(), c.error) << c.name;
    }
}

TEST(PlatformCrtTest, ReservedCharactersReachTheirPosixName) {
    TempFolder folder;
    std::FILE* stream = _wfsopen((folder.win32("") + u"2024\uF03Aq1").c_str(), u"wb", _SH_DENYWR);
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_EQ(::access(folder.posix("2024:q1").c_str(), F_OK), 0);
}

TEST(PlatformCrtTest, PositionsBeyondFourGiB) {
    constexpr long long kFiveGiB = 5ll << 30;
    TempFolder folder;
    std::FILE* stream = _wfsopen(folder.win32("sparse").c_str(), u"wb+", _SH_DENYNO);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(_fseeki64(stream, kFiveGiB, SEEK_SET), 0);
    ASSERT_EQ(std::fputc('x', stream), 'x');
    EXPECT_EQ(_ftelli64(stream), kFiveGiB + 1);
    ASSERT_EQ(_fseeki64(stream, -1, SEEK_END), 0);
    EXPECT_EQ(_ftelli64(stream), kFiveGiB);
    EXPECT_EQ(_fseeki64(stream, -1, SEEK_SET), -1);
    EXPECT_EQ(microsoftErrno(), 22);
    std::fclose(stream);
}

TEST(PlatformCrtTest, SizesAnOpenFileUpAndDown) {
    TempFolder folder;
    std::FILE* stream = _wfsopen(folder.win32("sized").c_str(), u"wb+", _SH_DENYNO);
    ASSERT_NE(stream, nullptr);
    const int fd = _fileno(stream);
    EXPECT_EQ(_chsize_s(fd, 5ll << 30), 0);
    EXPECT_EQ(std::filesystem::file_size(folder.posix("sized")), 5ull << 30);
    EXPECT_EQ(_chsize_s(fd, 3), 0);
    EXPECT_EQ(std::filesystem::file_size(folder.posix("sized")), 3u);
    EXPECT_EQ(_chsize_s(fd, -1), 22);
    EXPECT_EQ(_chsize_s(-1, 0), 9);
    EXPECT_EQ(microsoftErrno(), 9);
    std::fclose(stream);
    EXPECT_EQ(_fileno(nullptr), -1);
}

TEST(PlatformCrtTest, ErrnoInTheMicrosoftNumbering) {
    struct Case {
        int posix;
        int microsoft;
    };
    const Case cases[] = {
        {0, 0},        {ENOENT, 2},     {EACCES, 13},           {EEXIST, 17},      {EINVAL, 22},
        {ENOSPC, 28},  {ERANGE, 34},    {EDEADLK, 36},          {ENAMETOOLONG, 2}, {ENOLCK, 39},
        {ENOSYS, 40},  {ENOTEMPTY, 41}, {EILSEQ, 42},           {ELOOP, 114},      {EOVERFLOW, 132},
        {ETXTBSY, 13}, {EDQUOT, 28},    {EHOSTDOWN, EHOSTDOWN}, {EROFS, 13},       {EPERM, 13},
    };
    for (const Case& c : cases) {
        errno = c.posix;
        EXPECT_EQ(microsoftErrno(), c.microsoft) << "errno " << c.posix;
    }
    EXPECT_EQ(_get_errno(nullptr), EINVAL);
}

TEST(PlatformCrtTest, SprintfWritesAllOrNothing) {
    char buffer[6] = "?????";
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%02X%s", 0xAu, "bc"), 4);
    EXPECT_STREQ(buffer, "0Abc");
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%s", "12345"), 5);
    EXPECT_STREQ(buffer, "12345");
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%s", "abcdef"), -1);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string("\0"
                                                              "2345\0",
                                                              6)); // no part of the text
    EXPECT_EQ(sprintf_s(nullptr, 4, "%d", 1), -1);
}

TEST(PlatformCrtTest, FloatingPointClasses) {
    struct Case {
        double value;
        int finite;
        int nan;
    };
    const Case cases[] = {
        {0.0, 1, 0},
        {-1.5, 1, 0},
        {std::numeric_limits<double>::denorm_min(), 1, 0},
        {std::numeric_limits<double>::max(), 1, 0},
        {std::numeric_limits<double>::infinity(), 0, 0},
        {-std::numeric_limits<double>::infinity(), 0, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(_finite(c.value), c.finite) << c.value;
        EXPECT_EQ(_isnan(c.value), c.nan) << c.value;
    }
}

} // namespace
