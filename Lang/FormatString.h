// Formatting into a string, on top of the format engines.
#pragma once

#include <cstdarg>
#include <string>

namespace Lang {

std::string formatString(const char* format, va_list arguments);
std::u16string formatWideString(const char16_t* format, va_list arguments);

} // namespace Lang
