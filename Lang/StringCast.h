// Conversions between wide UTF-16 text and narrow Windows-1252 text.
#pragma once

#include "Lang/String.h"

#include <string>

namespace Xtl {

// string_cast<Target>(source): Lang::String -> Lang::String (a copy), Lang::String -> std::string
// (Windows-1252, character references for what the code page lacks) and std::string -> Lang::String.
// Any other pair of types has no conversion and fails to compile.
template <class Target, class Source>
Target string_cast(const Source& source) = delete;

template <>
Lang::String string_cast<Lang::String, Lang::String>(const Lang::String& source);
template <>
std::string string_cast<std::string, Lang::String>(const Lang::String& source);
template <>
Lang::String string_cast<Lang::String, std::string>(const std::string& source);

} // namespace Xtl
