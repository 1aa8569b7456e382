// The generated table of class words behind Lang::charClass (defined in Lang/CharClassTable.cpp).
#pragma once

#include <cstdint>

namespace Lang {

// One entry per code point from U+0000 through U+2FA1D, the last CJK compatibility ideograph.
inline constexpr std::int32_t charClassTableSize = 0x2FA1E;

extern const std::uint32_t charClassTable[charClassTableSize];

} // namespace Lang
