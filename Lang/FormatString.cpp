// Formatting into a string: the engine runs on a local buffer and the text up to its first zero
// cell becomes the result.
#include "Lang/FormatString.h"

#include "Lang/Format.h"

#include <vector>

namespace Lang {
namespace {

constexpr std::size_t InitialCells = 256;

template <class CharT, class Engine>
std::basic_string<CharT> formatWith(Engine engine, const CharT* format, va_list arguments) {
    std::vector<CharT> buffer(InitialCells);
    engine(buffer, format, arguments);
    return std::basic_string<CharT>(buffer.data());
}

} // namespace

std::string formatString(const char* format, va_list arguments) {
    return formatWith(formatIntoBuffer, format, arguments);
}

std::u16string formatWideString(const char16_t* format, va_list arguments) {
    return formatWith(formatIntoWideBuffer, format, arguments);
}

} // namespace Lang
