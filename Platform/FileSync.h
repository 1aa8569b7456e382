// Making files and folder entries durable: fsync by path.
#pragma once

#include <string>

namespace Platform {

// fsync of the file or folder at `path`, opened with `openFlags` (O_NOFOLLOW to refuse a final
// symbolic link); false with errno set on failure.
bool syncPath(const std::string& path, int openFlags);

// fsync of the folder holding the last name of `path`, so a rename or a new name there is on disk.
// The folder may be reached through symbolic links.
bool syncFolderOf(const std::string& path);

// The folder holding the last name of `path`: "." for a name without a folder, "/" at the root.
std::string folderOf(const std::string& path);

} // namespace Platform
