// Whether the caller may remove a name from its folder, as Windows checks the DELETE right.
#pragma once

#include <string>

namespace Platform {

// 0 when the caller may remove the name `path` (not following a final symbolic link): it may write to
// and search the folder, neither the folder nor the file is immutable or append-only, and in a folder
// with the sticky bit it owns the file or the folder, or is root. Else the errno unlink would give.
int nameRemovalRefusal(const std::string& path);

} // namespace Platform
