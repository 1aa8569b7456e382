// The entry points of the format engine for 8-bit and 16-bit text.
#include "Lang/Format.h"

#include "Lang/FormatEngine.h"

namespace Lang {

void formatIntoBuffer(std::vector<char>& buffer, const char* format, va_list arguments) {
    Private::FormatEngine<char>(buffer, arguments).run(format);
}

void formatIntoWideBuffer(std::vector<char16_t>& buffer, const char16_t* format, va_list arguments) {
    Private::FormatEngine<char16_t>(buffer, arguments).run(format);
}

} // namespace Lang
