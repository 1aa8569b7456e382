// Tests of the character cursor over UTF-16 text.
#include "Lang/CharCursor.h"

#include "tests/Lang/ExpectThrowMessage.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Lang::CharCursor;
using Lang::String;

TEST(CharCursorTest, StepsOverWholeCharacters) {
    const String text = {u'a', 0xD83D, 0xDE00, u'b'};
    CharCursor cursor(text, 0);
    EXPECT_EQ(*cursor, 'a');
    EXPECT_EQ(*++cursor, 0x1F600);
    EXPECT_EQ((++cursor).index(), 3u);
    EXPECT_EQ(*cursor, 'b');
    EXPECT_TRUE((++cursor).atEnd());
    EXPECT_EQ(cursor, CharCursor(text, text.size()));
}

TEST(CharCursorTest, StepsOverAnUnpairedSurrogateAsOneUnit) {
    const String text = {0xD800, u'a', 0xDC00};
    CharCursor cursor(text, 0);
    EXPECT_THROW(*cursor, std::invalid_argument);
    EXPECT_EQ(*++cursor, 'a');
    EXPECT_THROW(*++cursor, std::invalid_argument);
    EXPECT_TRUE((++cursor).atEnd());
}

// An index past the end is refused before any pointer is formed: npos (a failed rfind) must not
// read the unit before the text.
TEST(CharCursorTest, AnIndexPastTheEndIsARangeError) {
    const String text = u"ab";
    struct Case {
        std::size_t index;
        const char* available;
    };
    const Case cases[] = {
        {3, "-1"},
        {String::npos, "-9223372036854775807"},
    };
    for (const Case& c : cases) {
        const CharCursor cursor(text, c.index);
        const std::string tail = std::string(": type=wchar_t, required=1, available=") + c.available;
        expectThrowMessage<std::range_error>(
            [&] { *cursor; }, "Invalid pointer range passed to Lang::Platform::Utf16::toChar" + tail);
        expectThrowMessage<std::range_error>(
            [&] { CharCursor(cursor).operator++(); },
            "Invalid pointer range passed to Lang::Platform::Utf16::storageUsed" + tail);
    }
}

TEST(CharCursorTest, EqualityNeedsTheSameStringObject) {
    const String first = u"ab";
    const String second = first;
    EXPECT_EQ(CharCursor(first, 1), CharCursor(first, 1));
    EXPECT_NE(CharCursor(first, 1), CharCursor(first, 0));
    EXPECT_NE(CharCursor(first, 1), CharCursor(second, 1));
}

} // namespace
