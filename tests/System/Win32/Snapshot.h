// Test helper: every name under a folder with the bytes of each file, to show what an operation changed.
#pragma once

#include "tests/EmptyArchive.h"
#include "tests/Platform/TempFolder.h"

#include <filesystem>
#include <map>
#include <regex>
#include <string>

using Snapshot = std::map<std::string, std::string>;

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
        snapshot[name] = readFile(entry.path().string());
    }
    return snapshot;
}
