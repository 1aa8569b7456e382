// Test helper: what an archive holds, read with libzip, and whether the common readers accept it.
#pragma once

#include "tests/ZipEntries.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ToolTest {

using Entry = ZipEntry;

// The entries of the archive at `path`; nothing when libzip cannot open it. Contents are read only
// for entries up to `contentLimit` bytes.
std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path,
                                              std::uint64_t contentLimit = 64 << 20);

// The external readers that reject the archive, by name ("unzip", "7z", "bsdtar", "python");
// a reader that is not installed is left out.
std::vector<std::string> readersRejecting(const std::filesystem::path& path);

} // namespace ToolTest
