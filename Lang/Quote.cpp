// Quoting a text for a message, for wide and narrow text alike.
#include "Lang/Quote.h"

namespace Lang {

namespace {

template <class CharT>
std::basic_string<CharT> quoted(const std::basic_string<CharT>& text, CharT quoteChar) {
    std::basic_string<CharT> result;
    result.reserve(text.size() + 2);
    result += quoteChar;
    result += text;
    result += quoteChar;
    return result;
}

} // namespace

String quote(const String& text, char16_t quoteChar) {
    return quoted(text, quoteChar);
}

std::string quote(const std::string& text, char quoteChar) {
    return quoted(text, quoteChar);
}

} // namespace Lang
