// What the system tells of the file a path names.
#pragma once

#include "Platform/Windows.h"
#include "System/Path.h"

#include <cstdint>
#include <optional>

namespace System::Win32 {

// The volume and index of a file, which tell it apart from every other file.
struct FileIdentity {
    std::uint32_t volume;
    std::uint32_t indexHigh;
    std::uint32_t indexLow;
    bool operator==(const FileIdentity&) const = default;
};

// The information of the file `path` names, links followed; nothing, with the reason in the last
// error, when it cannot be opened or read.
std::optional<BY_HANDLE_FILE_INFORMATION> fileInformation(const Path& path) noexcept;

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information);

} // namespace System::Win32
