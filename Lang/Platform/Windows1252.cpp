// Windows-1252 codec with character-reference fallback.
#include "Lang/Platform/Windows1252.h"

#include "Lang/Platform/CheckPointerRange.h"
#include "Platform/Crt.h"

#include <algorithm>

#include <array>
#include <cstddef>

namespace Lang::Platform {

namespace {

// Code points of the bytes 0x80 to 0x9F; every other byte stands for the code point of its value.
constexpr std::array<char16_t, 32> kC1Row = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
constexpr std::size_t kC1First = 0x80;

constexpr std::array<char16_t, 256> makeDecodingTable() {
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte)
        table[byte] = static_cast<char16_t>(byte);
    for (std::size_t i = 0; i < kC1Row.size(); ++i)
        table[kC1First + i] = kC1Row[i];
    return table;
}

constexpr std::array<char16_t, 256> kDecodingTable = makeDecodingTable();

constexpr std::int32_t kMaxCodePoint = 0x10FFFF;
// "&#x" + at most seven hex digits + ";": the longest reference the encoder writes.
constexpr std::ptrdiff_t kMaxReferenceLength = 11;

// The byte that stands for `codePoint`, or -1 when the code page has none. Only the row 0x80..0x9F
// holds code points other than its own byte values, so that row is all a search needs to look at.
int findByte(std::int32_t codePoint) {
    if (codePoint >= 0 && codePoint < 256 && kDecodingTable[codePoint] == codePoint)
        return codePoint;
    for (std::size_t i = 0; i < kC1Row.size(); ++i) {
        if (kC1Row[i] == codePoint)
            return static_cast<int>(kC1First + i);
    }
    return -1;
}

int hexDigitCount(std::uint32_t value) {
    int digits = 1;
    for (; value >= 0x10; value >>= 4)
        ++digits;
    return digits;
}

// The room a reference is given: "&#x", the digits of a value below 0x10000000 and ";"; a negative
// value counts as below 0x10, the largest values get the longest reference.
std::ptrdiff_t referenceRoom(std::int32_t codePoint) {
    const std::ptrdiff_t digits = codePoint < 0 ? 1 : hexDigitCount(static_cast<std::uint32_t>(codePoint));
    return std::min<std::ptrdiff_t>(3 + digits + 1, kMaxReferenceLength);
}

// Writes "&#x" + hex + ";" with the bounded formatter into the reference's room. Values whose digits
// do not fit (only non-characters: above 0xFFFFFFF or negative) are not written: the formatter
// refuses them and `out` is returned.
char* writeReference(std::int32_t codePoint, char* out, char* end) {
    const std::ptrdiff_t length = referenceRoom(codePoint);
    checkPointerRange(out, end, length, "Lang::Platform::Windows1252::toStorage");
    const int written =
        sprintf_s(out, static_cast<std::size_t>(length), "&#x%X", static_cast<unsigned>(codePoint));
    if (written < 0)
        return out;
    out[written] = ';';
    return out + written + 1;
}

bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 36;
}

bool isDigitOf(const char* at, const char* end, int base) {
    return at < end && digitValue(*at) < base;
}

struct ParsedNumber {
    std::uint32_t value;
    const char* end; // where the number stops; the start when no digits were read
    bool negative;   // a minus sign stood before the digits
};

// Reads a number from [start, end) as strtoul does with a 32-bit unsigned long: leading white
// space, a sign, for base 16 an optional "0x" before a hex digit; overflow saturates, a minus sign
// negates modulo 2^32. Unlike strtoul it never reads past `end`.
ParsedNumber readUnsigned(const char* start, const char* end, int base) {
    const char* at = start;
    while (at < end && isCSpace(*at))
        ++at;
    const bool negative = at < end && *at == '-';
    if (at < end && (*at == '+' || *at == '-'))
        ++at;
    if (base == 16 && end - at >= 3 && at[0] == '0' && (at[1] == 'x' || at[1] == 'X') &&
        isDigitOf(at + 2, end, base))
        at += 2;
    if (!isDigitOf(at, end, base))
        return {0, start, false};
    std::uint32_t value = 0;
    bool overflow = false;
    for (; isDigitOf(at, end, base); ++at) {
        const auto digit = static_cast<std::uint32_t>(digitValue(*at));
        overflow = overflow || value > (UINT32_MAX - digit) / static_cast<std::uint32_t>(base);
        value = value * base + digit;
    }
    if (overflow)
        return {UINT32_MAX, at, negative};
    return {negative ? 0u - value : value, at, negative};
}

// Decodes the reference "&#x<hex>;" or "&#<decimal>;" at `cursor`; -1 when there is no valid one.
std::int32_t readReference(const char*& cursor, const char* end) {
    if (end - cursor < 4 || cursor[0] != '&' || cursor[1] != '#')
        return -1;
    const bool hex = cursor[2] == 'x';
    const char* digits = cursor + (hex ? 3 : 2);
    const ParsedNumber number = readUnsigned(digits, end, hex ? 16 : 10);
    // A minus sign makes the reference invalid, even where the value wraps into range ("&#-0;").
    if (number.end == digits || number.negative || number.value > kMaxCodePoint)
        return -1;
    if (number.end == end || *number.end != ';')
        return -1;
    cursor = number.end + 1;
    return static_cast<std::int32_t>(number.value);
}

} // namespace

char* Windows1252::toStorage(std::int32_t codePoint, char* out, char* end) {
    checkPointerRange(out, end, 1, "Lang::Platform::Windows1252::toStorage");
    const int byte = findByte(codePoint);
    if (byte < 0)
        return writeReference(codePoint, out, end);
    *out = static_cast<char>(byte);
    return out + 1;
}

std::int32_t Windows1252::toChar(const char*& cursor, const char* end) {
    checkPointerRange(cursor, end, 1, "Lang::Platform::Windows1252::toChar");
    const std::int32_t referenced = readReference(cursor, end);
    if (referenced >= 0)
        return referenced;
    return kDecodingTable[static_cast<unsigned char>(*cursor++)];
}

} // namespace Lang::Platform
