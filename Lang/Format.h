// The printf-style format engines: 8-bit and 16-bit twins of one engine.
#pragma once

#include <cstdarg>
#include <vector>

namespace Lang {

// Formats into `buffer` (zero-filled, at least one cell), growing it by doubling; the text ends
// at the first zero cell.
void formatIntoBuffer(std::vector<char>& buffer, const char* format, va_list arguments);
void formatIntoWideBuffer(std::vector<char16_t>& buffer, const char16_t* format, va_list arguments);

} // namespace Lang
