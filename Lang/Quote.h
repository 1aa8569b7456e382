// Quoting a text for a message: the quote character, the text, the quote character.
#pragma once

#include "Lang/String.h"

#include <string>

namespace Lang {

String quote(const String& text, char16_t quoteChar);
std::string quote(const std::string& text, char quoteChar);

} // namespace Lang
