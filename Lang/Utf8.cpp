// UTF-8 decoding and encoding with U+FFFD for what cannot be represented.
#include "Lang/Utf8.h"

#include "Lang/Platform/Utf16.h"

#include <array>
#include <cstdint>
#include <stdexcept>

namespace Lang {

namespace {

constexpr std::int32_t kReplacement = 0xFFFD;

struct SequenceShape {
    int length;          // bytes in the sequence, 0 for a byte that cannot start one
    std::int32_t lowest; // smallest code point of that length: anything below is an overlong form
};

SequenceShape shapeOf(unsigned char lead) {
    if (lead < 0x80)
        return {1, 0};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80};
    if (lead >= 0xE0 && lead <= 0xEF)
        return {3, 0x800};
    if (lead >= 0xF0 && lead <= 0xF4)
        return {4, 0x10000};
    return {0, 0};
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool isSurrogate(std::int32_t codePoint) {
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

constexpr std::int32_t kInvalid = -1;

// Decodes the sequence at `at` and advances past it; an invalid sequence gives kInvalid and
// advances over its first byte only.
std::int32_t decodeOne(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const SequenceShape shape = shapeOf(lead);
    if (shape.length == 0 || text.size() - at < static_cast<std::size_t>(shape.length)) {
        ++at;
        return shape.length == 1 ? lead : kInvalid;
    }
    std::int32_t codePoint = shape.length == 1 ? lead : lead & (0x7F >> shape.length);
    for (int i = 1; i < shape.length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte)) {
            ++at;
            return kInvalid;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < shape.lowest || codePoint > 0x10FFFF || isSurrogate(codePoint)) {
        ++at;
        return kInvalid;
    }
    at += shape.length;
    return codePoint;
}

void appendUtf8(std::string& out, std::int32_t codePoint) {
    const auto byte = [](std::int32_t value) { return static_cast<char>(value); };
    if (codePoint < 0x80) {
        out += byte(codePoint);
    } else if (codePoint < 0x800) {
        out += byte(0xC0 | (codePoint >> 6));
        out += byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += byte(0xE0 | (codePoint >> 12));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    } else {
        out += byte(0xF0 | (codePoint >> 18));
        out += byte(0x80 | ((codePoint >> 12) & 0x3F));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

String fromUtf8(std::string_view text) {
    String result;
    result.reserve(text.size());
    std::array<char16_t, 2> units{};
    for (std::size_t at = 0; at < text.size();) {
        const std::int32_t decoded = decodeOne(text, at);
        const std::int32_t codePoint = decoded == kInvalid ? kReplacement : decoded;
        char16_t* end = Platform::Utf16::toStorage(codePoint, units.data(), units.data() + 2);
        result.append(units.data(), end - units.data());
    }
    return result;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (decodeOne(text, at) == kInvalid)
            return false;
    }
    return true;
}

std::string toUtf8(const String& text) {
    std::string result;
    result.reserve(text.size());
    const char16_t* end = text.data() + text.size();
    for (const char16_t* cursor = text.data(); cursor != end;) {
        if (Platform::Utf16::storageUsed(cursor, end) == 0) {
            appendUtf8(result, kReplacement);
            ++cursor;
            continue;
        }
        appendUtf8(result, Platform::Utf16::toChar(cursor, end));
    }
    return result;
}

} // namespace Lang
