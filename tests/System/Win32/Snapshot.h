// Test helper: every name under a folder with the bytes of each file, to show what an operation changed.
#pragma once

#include "tests/EmptyArchive.h"
#include "tests/Platform/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

// Names in order; the temporaries, which all show as one name, in the order of their bytes.
using Snapshot = std::multimap<std::string, std::string>;

// Files map to their bytes, folders to "<folder>". A temporary name "zipfile-<eight hex digits or
// letters>.tmp" is shown as "zipfile-*.tmp".
inline Snapshot snapshotOf(const std::filesystem::path& folder) {
    static const std::regex temporary(R"((^|/)zipfile-[0-9a-z]{8}\.tmp$)");
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::regex_replace(entry.path().lexically_relative(folder).string(),
                                                    temporary, "$1zipfile-*.tmp");
        files.emplace_back(name, entry.is_directory() ? "<folder>" : readFile(entry.path().string()));
    }
    std::sort(files.begin(), files.end());
    return Snapshot(files.begin(), files.end());
}
