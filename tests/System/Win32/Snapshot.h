// Test helper: every name under a folder with the bytes of each file, to show what an operation changed.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>

using Snapshot = std::map<std::string, std::string>;

// The 22-byte end-of-central-directory record of an archive with no entries.
inline const std::string kEmptyArchive = std::string("PK\x05\x06", 4) + std::string(18, '\0');

// Files map to their bytes, folders to "<folder>". A temporary name "<name>.<eight hex digits>.tmp"
// is shown as "<name>.*.tmp".
inline Snapshot snapshotOf(const std::filesystem::path& folder) {
    static const std::regex temporary(R"(\.[0-9a-f]{8}\.tmp$)");
    Snapshot snapshot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name =
            std::regex_replace(entry.path().lexically_relative(folder).string(), temporary, ".*.tmp");
        if (entry.is_directory()) {
            snapshot[name] = "<folder>";
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        snapshot[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return snapshot;
}
