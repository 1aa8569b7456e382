// Tests of the Windows-1252 codec with its character-reference fallback.
#include "Lang/Platform/Windows1252.h"

#include "tests/Lang/ExpectThrowMessage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using Lang::Platform::Windows1252;

constexpr std::size_t kLongestEncoding = 11;

std::string encode(std::int32_t codePoint) {
    std::array<char, kLongestEncoding> out{};
    char* written = Windows1252::toStorage(codePoint, out.data(), out.data() + out.size());
    return std::string(out.data(), written);
}

struct Decoded {
    std::int32_t codePoint;
    std::ptrdiff_t consumed;
};

// Decodes from a heap copy of exactly the given bytes, so that reading past them shows under ASan.
Decoded decode(const std::string& bytes) {
    const auto copy = std::make_unique<char[]>(bytes.size());
    bytes.copy(copy.get(), bytes.size());
    const char* cursor = copy.get();
    const std::int32_t codePoint = Windows1252::toChar(cursor, copy.get() + bytes.size());
    return {codePoint, cursor - copy.get()};
}

TEST(Windows1252Test, ToStorageWritesTheByteOrAReference) {
    struct Case {
        std::int32_t codePoint;
        std::string expected;
    };
    const Case cases[] = {
        {0x00, std::string(1, '\0')},
        {0x41, "A"},
        {0xE9, "\xE9"},
        {0xFF, "\xFF"},
        {0x20AC, "\x80"},
        {0x2122, "\x99"},
        {0x0178, "\x9F"},
        {0x0081, "\x81"}, // the five unassigned bytes carry their own C1 code points
        {0x009D, "\x9D"},
        {0x0080, "&#x80;"}, // C1 code points whose bytes carry other characters
        {0x009F, "&#x9F;"},
        {0x0100, "&#x100;"},
        {0xFFFD, "&#xFFFD;"},
        {0x1F600, "&#x1F600;"},
        {0x10FFFF, "&#x10FFFF;"},
        {0xFFFFFFF, "&#xFFFFFFF;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(encode(c.codePoint), c.expected) << std::hex << c.codePoint;
}

TEST(Windows1252Test, ToStorageChecksRoomForTheWholeReference) {
    std::array<char, 5> out{};
    expectThrowMessage<std::range_error>(
        [&] { Windows1252::toStorage(0x80, out.data(), out.data() + 5); },
        "Invalid pointer range passed to Lang::Platform::Windows1252::toStorage: type=char, "
        "required=6, available=5");
    expectThrowMessage<std::range_error>(
        [&] { Windows1252::toStorage(0x41, out.data(), out.data()); },
        "Invalid pointer range passed to Lang::Platform::Windows1252::toStorage: type=char, "
        "required=1, available=0");
}

// Values no reference of at most eleven bytes can hold are not characters; they write nothing. A
// negative value is given the room of a one-digit reference, the largest values the longest.
TEST(Windows1252Test, ToStorageWritesNothingForValuesBeyondTheLongestReference) {
    struct Case {
        std::int32_t value;
        std::ptrdiff_t room;
    };
    const Case kCases[] = {{0x10000000, 11}, {-1, 5}, {INT32_MIN, 5}};
    for (const Case& c : kCases) {
        std::array<char, kLongestEncoding> out{};
        EXPECT_EQ(Windows1252::toStorage(c.value, out.data(), out.data() + c.room), out.data()) << c.value;
        EXPECT_EQ(out, (std::array<char, kLongestEncoding>{})) << c.value;
        expectThrowMessage<std::range_error>(
            [&] { Windows1252::toStorage(c.value, out.data(), out.data() + c.room - 1); },
            "Invalid pointer range passed to Lang::Platform::Windows1252::toStorage: type=char, required=" +
                std::to_string(c.room) + ", available=" + std::to_string(c.room - 1));
    }
}

TEST(Windows1252Test, ToCharReadsAByteOrAValidReference) {
    const std::int32_t amp = '&';
    struct Case {
        std::string bytes;
        std::int32_t expected;
        std::ptrdiff_t consumed;
    };
    const Case cases[] = {
        {"Ab", 0x41, 1},
        {"\x80", 0x20AC, 1},
        {"\x8A", 0x0160, 1},
        {"\x9D", 0x009D, 1},
        {"\xFF", 0x00FF, 1},
        {"&#x41;", 0x41, 6},
        {"&#x1f600;x", 0x1F600, 9},
        {"&#x10FFFF;", 0x10FFFF, 10},
        {"&#65;", 0x41, 5},
        {"&#0;", 0, 4},
        {"&#xDC00;", 0xDC00, 8}, // surrogate values are returned as they are
        {"&#x" + std::string(40, '0') + "41;", 0x41, 46},
        // Number syntax as strtoul reads it.
        {"&# 65;", 0x41, 6},
        {"&#\t+65;", 0x41, 7},
        {"&#x0x41;", 0x41, 8},
        {"&#-65;", amp, 1},
        {"&#-0;", amp, 1}, // a minus sign makes the reference invalid, whatever the value wraps to
        {"&#x-FFFFFFBF;", amp, 1},
        {"&# -0;", amp, 1},
        {"&#4294967361;", amp, 1}, // 2^32 + 65 saturates instead of wrapping to 'A'
        // Invalid references decode as a plain '&'.
        {"&#x41", amp, 1},
        {"&#x41 ;", amp, 1},
        {"&#x;", amp, 1},
        {"&#;", amp, 1},
        {"&#X41;", amp, 1},
        {"&#x0x;", amp, 1},
        {"&#x110000;", amp, 1},
        {"&x41;", amp, 1},
        {"&#1", amp, 1},
        {"&#12", amp, 1},
        {"&", amp, 1},
    };
    for (const Case& c : cases) {
        const Decoded decoded = decode(c.bytes);
        EXPECT_EQ(decoded.codePoint, c.expected) << c.bytes;
        EXPECT_EQ(decoded.consumed, c.consumed) << c.bytes;
    }
}

TEST(Windows1252Test, ToCharStopsAtTheEndOfTheRange) {
    const std::string bytes = "&#x41;";
    const char* cursor = bytes.data();
    EXPECT_EQ(Windows1252::toChar(cursor, bytes.data() + 5), '&');
    EXPECT_EQ(cursor, bytes.data() + 1);
    expectThrowMessage<std::range_error>(
        [&] { Windows1252::toChar(cursor, bytes.data()); },
        "Invalid pointer range passed to Lang::Platform::Windows1252::toChar: type=char, "
        "required=1, available=-1");
}

TEST(Windows1252Test, EveryByteRoundTrips) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string bytes(1, static_cast<char>(byte));
        const Decoded decoded = decode(bytes);
        ASSERT_EQ(decoded.consumed, 1) << byte;
        ASSERT_EQ(encode(decoded.codePoint), bytes) << byte;
    }
}

TEST(Windows1252Test, EveryCodePointRoundTrips) {
    for (std::int32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        const std::string bytes = encode(codePoint);
        const Decoded decoded = decode(bytes);
        ASSERT_EQ(decoded.codePoint, codePoint) << std::hex << codePoint;
        ASSERT_EQ(decoded.consumed, static_cast<std::ptrdiff_t>(bytes.size())) << std::hex << codePoint;
    }
}

} // namespace
