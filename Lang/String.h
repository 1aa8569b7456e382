// The wide string type and the character-aware operations on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Lang {

// UTF-16 text; positions and lengths count code units.
using String = std::u16string;

// A predicate on code points, as the character-class tests are.
using CharPredicate = bool (*)(std::int32_t codePoint);

// Index of the first character from `start` on for which `predicate` is false; npos if none.
std::size_t findFirstNot(const String& text, CharPredicate predicate, std::size_t start = 0);

// Index of the last character for which `predicate` is false; npos if none.
std::size_t findLastNot(const String& text, CharPredicate predicate);

// Removes leading and trailing white space in place.
void trim(String& text);

// Index of the last occurrence of the UTF-16 encoding of `codePoint`; npos if none.
std::size_t findLastChar(const String& text, std::int32_t codePoint);

// Replaces `charCount` characters from `index` (npos: up to the end) by `repeat` copies of `codePoint`.
void replaceChars(String& text, std::size_t index, std::size_t charCount, std::size_t repeat,
                  std::int32_t codePoint);

} // namespace Lang
