// UTF-8 at the edges of the system: compiler-given names, terminal output.
#pragma once

#include "Lang/String.h"

#include <string>
#include <string_view>

namespace Lang {

// Decodes UTF-8; each byte that does not start a valid, shortest-form sequence becomes U+FFFD.
String fromUtf8(std::string_view text);

// Whether `text` is valid UTF-8 throughout: shortest forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(const String& text);

} // namespace Lang
