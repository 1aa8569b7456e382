// Tests of the strict UTF-16 codec and the shared pointer-range check.
#include "Lang/Platform/Utf16.h"
#include "Lang/Platform/CheckPointerRange.h"

#include "tests/Lang/ExpectThrowMessage.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace {

using Lang::Platform::Utf16;

const char16_t* endOf(const std::u16string& text) {
    return text.data() + text.size();
}

TEST(Utf16Test, ToCharDecodesOneCharacterAndAdvances) {
    struct Case {
        const char* name;
        std::u16string units;
        std::int32_t expected;
        std::ptrdiff_t advance;
    };
    const Case cases[] = {
        {"ASCII", u"Ab", 0x41, 1},
        {"NUL", std::u16string(1, u'\0'), 0, 1},
        {"last BMP unit", u"\uFFFF", 0xFFFF, 1},
        {"pair", {0xD83D, 0xDE00, u'x'}, 0x1F600, 2},
        {"first pair", {0xD800, 0xDC00}, 0x10000, 2},
        {"last pair", {0xDBFF, 0xDFFF}, 0x10FFFF, 2},
    };
    for (const Case& c : cases) {
        const char16_t* cursor = c.units.data();
        EXPECT_EQ(Utf16::toChar(cursor, endOf(c.units)), c.expected) << c.name;
        EXPECT_EQ(cursor - c.units.data(), c.advance) << c.name;
    }
}

TEST(Utf16Test, ToCharRejectsUnpairedSurrogates) {
    struct Case {
        std::u16string units;
        const char* message;
    };
    const Case cases[] = {
        {{0xDC00}, "Unpaired UTF-16 low-surrogate"},
        {{0xDFFF, u'A'}, "Unpaired UTF-16 low-surrogate"},
        {{0xD800}, "Incomplete UTF-16 surrogate pair"},
        {{0xD800, u'A'}, "Unpaired UTF-16 high-surrogate"},
        {{0xDBFF, 0xD800}, "Unpaired UTF-16 high-surrogate"},
    };
    for (const Case& c : cases) {
        const char16_t* cursor = c.units.data();
        expectThrowMessage<std::invalid_argument>([&] { Utf16::toChar(cursor, endOf(c.units)); }, c.message);
    }
}

TEST(Utf16Test, ToCharNeedsOneUnit) {
    const char16_t unit = u'A';
    const char16_t* cursor = &unit;
    expectThrowMessage<std::range_error>(
        [&] { Utf16::toChar(cursor, &unit); },
        "Invalid pointer range passed to Lang::Platform::Utf16::toChar: type=wchar_t, "
        "required=1, available=0");
}

TEST(Utf16Test, ToStorageWritesOneUnitOrAPair) {
    struct Case {
        std::int32_t codePoint;
        std::u16string expected;
    };
    const Case cases[] = {
        {0x41, u"A"},
        {0xFFFF, u"\uFFFF"},
        {0xD800, {0xD800}}, // surrogate code points are written as they are
        {0x10000, {0xD800, 0xDC00}},
        {0x1F600, {0xD83D, 0xDE00}},
        {0x10FFFF, {0xDBFF, 0xDFFF}},
    };
    for (const Case& c : cases) {
        std::array<char16_t, 2> out{};
        char16_t* written = Utf16::toStorage(c.codePoint, out.data(), out.data() + out.size());
        EXPECT_EQ(std::u16string(out.data(), written), c.expected) << std::hex << c.codePoint;
    }
}

TEST(Utf16Test, ToStorageChecksRoom) {
    std::array<char16_t, 1> out{};
    expectThrowMessage<std::range_error>(
        [&] { Utf16::toStorage(0x1F600, out.data(), out.data() + 1); },
        "Invalid pointer range passed to Lang::Platform::Utf16::toStorage: type=wchar_t, "
        "required=2, available=1");
    expectThrowMessage<std::range_error>(
        [&] { Utf16::toStorage(0x41, out.data(), out.data()); },
        "Invalid pointer range passed to Lang::Platform::Utf16::toStorage: type=wchar_t, "
        "required=1, available=0");
}

TEST(Utf16Test, StorageUsedCountsUnitsOfTheCharacter) {
    struct Case {
        const char* name;
        std::u16string units;
        std::size_t expected;
    };
    const Case cases[] = {
        {"letter", u"AB", 1},
        {"pair", {0xD83D, 0xDE00}, 2},
        {"lone low surrogate", {0xDC00, u'A'}, 0},
        {"high surrogate as last unit", {0xD83D}, 0},
        {"high surrogate before a letter", {0xD83D, u'A'}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf16::storageUsed(c.units.data(), endOf(c.units)), c.expected) << c.name;
}

TEST(Utf16Test, GetIndexConvertsCharactersToUnits) {
    const std::size_t all = std::u16string::npos;
    struct Case {
        const char* name;
        std::u16string units;
        std::size_t count;
        std::size_t expected;
    };
    const Case cases[] = {
        {"pair counts once", {u'A', 0xD83D, 0xDE00, u'B'}, 2, 3},
        {"zero characters", u"AB", 0, 0},
        {"count beyond the end", u"AB", 5, 2},
        {"npos walks to the end", {u'A', 0xD83D, 0xDE00, u'B'}, all, 4},
        // A lone surrogate ends the walk at once, also for a count of npos.
        {"stops at a lone low surrogate", {u'A', u'B', 0xDC00, u'C'}, 3, 2},
        {"npos stops at a lone high surrogate", {u'A', u'B', 0xD800, u'C'}, all, 2},
        {"npos over a lone surrogate only", {0xDC00}, all, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf16::getIndex(c.units.data(), endOf(c.units), c.count), c.expected) << c.name;
}

TEST(Utf16Test, GetIndexNeedsOneUnitEvenForNoCharacters) {
    const std::u16string empty;
    for (std::size_t count : {std::size_t{0}, std::size_t{2}}) {
        expectThrowMessage<std::range_error>(
            [&] { Utf16::getIndex(empty.data(), empty.data(), count); },
            "Invalid pointer range passed to Lang::Platform::Utf16::getIndex: type=wchar_t, "
            "required=1, available=0");
    }
}

TEST(Utf16Test, PointerRangeCheckReportsBackwardRanges) {
    const std::u16string units = u"abc";
    expectThrowMessage<std::range_error>(
        [&] { Lang::Platform::checkPointerRange(units.data() + 3, units.data(), 1, "Test::op"); },
        "Invalid pointer range passed to Test::op: type=wchar_t, required=1, available=-3");
    const std::string bytes = "ab";
    expectThrowMessage<std::range_error>(
        [&] { Lang::Platform::checkPointerRange(bytes.data(), bytes.data() + 2, 3, "Test::op"); },
        "Invalid pointer range passed to Test::op: type=char, required=3, available=2");
    EXPECT_NO_THROW(Lang::Platform::checkPointerRange(bytes.data(), bytes.data() + 2, 2, "Test::op"));
}

TEST(Utf16Test, EveryScalarValueRoundTrips) {
    for (std::int32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            continue;
        std::array<char16_t, 2> units{};
        const char16_t* end = Utf16::toStorage(codePoint, units.data(), units.data() + units.size());
        ASSERT_EQ(Utf16::storageUsed(units.data(), end), static_cast<std::size_t>(end - units.data()))
            << std::hex << codePoint;
        const char16_t* cursor = units.data();
        ASSERT_EQ(Utf16::toChar(cursor, end), codePoint) << std::hex << codePoint;
        ASSERT_EQ(cursor, end) << std::hex << codePoint;
    }
}

} // namespace
