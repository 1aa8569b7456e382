// Win32 path rules: the separators and the characters that names may not hold.
#pragma once

#include "Lang/String.h"

#include <cstdint>
#include <string>

namespace System::Win32 {

class PathTraits {
public:
    // Backslash, and forward slash, which normalisation turns into a backslash.
    static bool isSeparator(std::int32_t ch) { return ch == u'\\' || ch == u'/'; }

    // The ten characters forbidden in names besides NUL: colon * ? " < > | CR LF BS.
    static const Lang::String& invalidChars();

    // Whether `ch` is one of invalidChars() or NUL.
    static bool isInvalidChar(std::int32_t ch);

    // The message that names the forbidden characters.
    static const std::string& invalidCharsMsg();
};

} // namespace System::Win32
