// What was handed to libzip for one entry, to be found again in the archive it wrote.
#pragma once

#include <cstdint>
#include <string>

namespace Platform::Com {

struct PackedEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
};

} // namespace Platform::Com
