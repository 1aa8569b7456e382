// Tests of the errno texts and of the exception that carries them.
#include "Lang/ErrnoException.h"
#include "Lang/ErrnoText.h"
#include "Lang/StringCast.h"
#include "tests/PrintableText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using Lang::String;

struct Row {
    int value;
    const char16_t* title;
    bool explained; // the title is followed by explanatory sentences
};

const Row kRows[] = {
    {0, u"No Error", false},
    {2, u"No such file or directory.", true},
    {7, u"Argument list too long.", false},
    {8, u"Exec format error.", true},
    {9, u"Bad file number.", true},
    {10, u"No spawned processes.", false},
    {11, u"No more processes.", true},
    {12, u"Not enough core.", true},
    {13, u"Permission denied.", true},
    {17, u"Files exist.", true},
    {18, u"Cross-device link.", true},
    {22, u"Invalid argument.", true},
    {24, u"Too many open files.", true},
    {28, u"No space left on device.", true},
    {33, u"Math argument.", false},
    {34, u"Result too large.", true},
    {36, u"Resource deadlock would occur.", true},
    {42, u"Illegal sequence of bytes (for example, in an MBCS string).", false},
    {80, u"A string copy or concatenation resulted in a truncated string.", false},
};

TEST(ErrnoExceptionTest, KnownValuesHaveTheirTitle) {
    for (const Row& row : kRows) {
        const String text = Lang::errnoText(row.value);
        const String title = row.title;
        if (!row.explained) {
            EXPECT_EQ(text, title) << row.value;
            continue;
        }
        EXPECT_TRUE(text.starts_with(title + u" ")) << row.value << ": " << printable(text);
        EXPECT_GT(text.size(), title.size() + 20) << row.value;
        EXPECT_EQ(text.back(), u'.') << row.value;
    }
}

TEST(ErrnoExceptionTest, OtherValuesAreUnknown) {
    for (const int value : {1, 3, 5, 43, 79, 81, 112, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(Lang::errnoText(value), u"Unknown Errno") << value;
}

TEST(ErrnoExceptionTest, MessageIsFollowedByTheErrnoText) {
    struct Case {
        String message;
        int value;
        std::string expected;
    };
    const Case kCases[] = {
        {u"fclose failed", 0, "fclose failed: No Error"},
        {u"fopen failed", 81, "fopen failed: Unknown Errno"},
        {u"fopen failed", -1, "fopen failed: Unknown Errno"},
        {u"", 7, ": Argument list too long."},
        {u"Failed to Open File \"\u4E2D\"", 1, "Failed to Open File \"&#x4E2D;\": Unknown Errno"},
    };
    for (const Case& c : kCases) {
        const Lang::ErrnoException e(c.message, c.value);
        EXPECT_EQ(std::string(e.what()), c.expected) << c.expected;
        EXPECT_EQ(String(e.getLocation()), u"Unknown Location") << c.expected;
    }
}

TEST(ErrnoExceptionTest, LongTextsFollowTheMessageWhole) {
    const Lang::ErrnoException full(u"fwrite failed", 28);
    EXPECT_EQ(std::string(full.what()),
              "fwrite failed: " + Xtl::string_cast<std::string>(Lang::errnoText(28)));
    EXPECT_TRUE(std::string(full.what()).starts_with("fwrite failed: No space left on device. "));

    const Lang::ErrnoException empty(u"", 2);
    EXPECT_EQ(std::string(empty.what()), ": " + Xtl::string_cast<std::string>(Lang::errnoText(2)));
}

TEST(ErrnoExceptionTest, CopyKeepsMessageAndLocation) {
    Lang::ErrnoException original(u"fwrite failed", 28);
    Lang::attachLocation(original, u"System/Io/File(7) : System::Io::File::write");
    const Lang::ErrnoException copy(original);
    EXPECT_EQ(std::string(copy.what()), std::string(original.what()));
    EXPECT_EQ(String(copy.getLocation()), u"System/Io/File(7) : System::Io::File::write");
}

} // namespace
