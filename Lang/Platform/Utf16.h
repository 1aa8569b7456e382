// Strict UTF-16 codec: one character at a time over checked ranges of code units.
//
// Ranges are [first, end) pointer pairs and are checked before use (std::range_error when too
// short). Unpaired surrogates are never repaired: decoding one throws std::invalid_argument.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Lang::Platform {

struct Utf16 {
    // Decodes the character at `cursor` and moves `cursor` past its units.
    static std::int32_t toChar(const char16_t*& cursor, const char16_t* end);

    // Writes `codePoint` as one unit, or as a surrogate pair above U+FFFF; returns the end of what was
    // written. Surrogate code points are written as they are.
    static char16_t* toStorage(std::int32_t codePoint, char16_t* out, char16_t* end);

    // Units used by the character at `unit`: 1 or 2, or 0 at an unpaired surrogate.
    static std::size_t storageUsed(const char16_t* unit, const char16_t* end);

    // Units spanned by the first `count` characters of [first, end); the walk stops at the end of the
    // range and at an unpaired surrogate. The range must hold at least one unit, even for a count of 0.
    static std::size_t getIndex(const char16_t* first, const char16_t* end, std::size_t count);
};

} // namespace Lang::Platform
