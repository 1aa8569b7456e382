// Lookup of Unicode 5.2 character classes in the generated table.
#include "Lang/CharClass.h"

#include "Lang/CharClassTable.h"

namespace Lang {

namespace {

bool hasClass(std::int32_t codePoint, CharClass charClassBit) {
    return (charClass(codePoint) & charClassBit) != 0;
}

} // namespace

std::uint32_t charClass(std::int32_t codePoint) {
    // Negative code points wrap to values above the table, so one comparison covers both ends.
    if (static_cast<std::uint32_t>(codePoint) >= static_cast<std::uint32_t>(charClassTableSize))
        return 0;
    return charClassTable[codePoint];
}

bool isControl(std::int32_t codePoint) {
    return hasClass(codePoint, Control);
}
bool isPunctuation(std::int32_t codePoint) {
    return hasClass(codePoint, Punctuation);
}
bool isSymbol(std::int32_t codePoint) {
    return hasClass(codePoint, Symbol);
}
bool isDigit(std::int32_t codePoint) {
    return hasClass(codePoint, Digit);
}
bool isSpace(std::int32_t codePoint) {
    return hasClass(codePoint, Space);
}
bool isHexDigit(std::int32_t codePoint) {
    return hasClass(codePoint, HexDigit);
}
bool isMath(std::int32_t codePoint) {
    return hasClass(codePoint, Math);
}
bool isAlpha(std::int32_t codePoint) {
    return hasClass(codePoint, Alpha);
}
bool isLower(std::int32_t codePoint) {
    return hasClass(codePoint, Lower);
}
bool isUpper(std::int32_t codePoint) {
    return hasClass(codePoint, Upper);
}

} // namespace Lang
