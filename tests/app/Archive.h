// Test helper: what an archive holds, read with libzip, and whether the common readers accept it.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ToolTest {

struct Entry {
    std::string name;
    std::string content;
    std::uint64_t size = 0;
    std::time_t mtime = 0;
    std::uint32_t unixMode = 0; // from the external attributes
    std::uint16_t method = 0;
};

// The entries of the archive at `path`; nothing when libzip cannot open it. Contents are read only
// for entries up to `contentLimit` bytes.
std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path,
                                              std::uint64_t contentLimit = 64 << 20);

// The external readers that reject the archive, by name ("unzip", "7z", "bsdtar", "python");
// a reader that is not installed is left out.
std::vector<std::string> readersRejecting(const std::filesystem::path& path);

} // namespace ToolTest
