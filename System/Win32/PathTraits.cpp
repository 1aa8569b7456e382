// Win32 path rules: the forbidden characters and their message.
#include "System/Win32/PathTraits.h"

#include <array>
#include <string_view>

namespace System::Win32 {

namespace {

constexpr std::u16string_view kInvalidChars = u":*?\"<>|\r\n\b";

// Whether each ASCII character is forbidden: NUL and kInvalidChars, all of which are ASCII.
constexpr std::array<bool, 128> kInvalidAscii = [] {
    std::array<bool, 128> invalid{};
    invalid[0] = true;
    for (const char16_t ch : kInvalidChars)
        invalid[ch] = true;
    return invalid;
}();

} // namespace

const Lang::String& PathTraits::invalidChars() {
    static const Lang::String chars(kInvalidChars);
    return chars;
}

bool PathTraits::isInvalidChar(std::int32_t ch) {
    return ch >= 0 && ch < static_cast<std::int32_t>(kInvalidAscii.size()) && kInvalidAscii[ch];
}

const std::string& PathTraits::invalidCharsMsg() {
    static const std::string message = "paths may not contain any of the following: :*?\"<>|\\r\\n\\b\\0";
    return message;
}

} // namespace System::Win32
