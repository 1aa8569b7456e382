// Helpers shared by the fuzz targets: invariant checks and turning fuzz bytes into text.
#pragma once

#include "Lang/String.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Fuzz {

// Aborts with `what` when `condition` fails, so that libFuzzer records the input.
inline void require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Byte pairs, low byte first, as code units; an odd last byte is ignored.
inline Lang::String wideTextOf(const std::uint8_t* data, std::size_t size) {
    Lang::String text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    return text;
}

inline std::string narrowTextOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace Fuzz
