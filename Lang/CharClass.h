// Unicode 5.2 character classes of code points, read from a constant table.
#pragma once

#include <cstdint>

namespace Lang {

enum CharClass : std::uint32_t {
    Control = 0x001,     // General_Category Cc
    Punctuation = 0x002, // General_Category P*
    Symbol = 0x004,      // General_Category S*
    Digit = 0x008,       // General_Category Nd
    Space = 0x010,       // White_Space
    HexDigit = 0x020,    // Hex_Digit
    Math = 0x040,        // Math
    Alpha = 0x080,       // Alphabetic
    Lower = 0x100,       // Lowercase
    Upper = 0x200,       // Uppercase
};

// The class bits of `codePoint`; 0 outside U+0000..U+2FA1D.
std::uint32_t charClass(std::int32_t codePoint);

bool isControl(std::int32_t codePoint);
bool isPunctuation(std::int32_t codePoint);
bool isSymbol(std::int32_t codePoint);
bool isDigit(std::int32_t codePoint);
bool isSpace(std::int32_t codePoint);
bool isHexDigit(std::int32_t codePoint);
bool isMath(std::int32_t codePoint);
bool isAlpha(std::int32_t codePoint);
bool isLower(std::int32_t codePoint);
bool isUpper(std::int32_t codePoint);

} // namespace Lang
