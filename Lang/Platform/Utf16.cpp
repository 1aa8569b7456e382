// Strict UTF-16 codec.
#include "Lang/Platform/Utf16.h"

#include "Lang/Platform/CheckPointerRange.h"

#include <stdexcept>

namespace Lang::Platform {

namespace {

constexpr std::int32_t kFirstSupplementary = 0x10000;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::int32_t Utf16::toChar(const char16_t*& cursor, const char16_t* end) {
    checkPointerRange(cursor, end, 1, "Lang::Platform::Utf16::toChar");
    const char16_t high = *cursor;
    if (isLowSurrogate(high))
        throw std::invalid_argument("Unpaired UTF-16 low-surrogate");
    ++cursor;
    if (!isHighSurrogate(high))
        return high;
    if (cursor >= end)
        throw std::invalid_argument("Incomplete UTF-16 surrogate pair");
    const char16_t low = *cursor;
    if (!isLowSurrogate(low))
        throw std::invalid_argument("Unpaired UTF-16 high-surrogate");
    ++cursor;
    return kFirstSupplementary + ((high - 0xD800) << 10) + (low - 0xDC00);
}

char16_t* Utf16::toStorage(std::int32_t codePoint, char16_t* out, char16_t* end) {
    if (codePoint < kFirstSupplementary) {
        checkPointerRange(out, end, 1, "Lang::Platform::Utf16::toStorage");
        *out = static_cast<char16_t>(codePoint);
        return out + 1;
    }
    checkPointerRange(out, end, 2, "Lang::Platform::Utf16::toStorage");
    const std::int32_t offset = codePoint - kFirstSupplementary;
    out[0] = static_cast<char16_t>(0xD800 + (offset >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    return out + 2;
}

std::size_t Utf16::storageUsed(const char16_t* unit, const char16_t* end) {
    checkPointerRange(unit, end, 1, "Lang::Platform::Utf16::storageUsed");
    if (isLowSurrogate(*unit))
        return 0;
    if (!isHighSurrogate(*unit))
        return 1;
    return end - unit >= 2 && isLowSurrogate(unit[1]) ? 2 : 0;
}

std::size_t Utf16::getIndex(const char16_t* first, const char16_t* end, std::size_t count) {
    checkPointerRange(first, end, 1, "Lang::Platform::Utf16::getIndex");
    const char16_t* walk = first;
    for (; count > 0 && walk < end; --count) {
        const std::size_t used = storageUsed(walk, end);
        // An unpaired surrogate ends the walk: nothing after it can be reached.
        if (used == 0)
            break;
        walk += used;
    }
    return walk - first;
}

} // namespace Lang::Platform
