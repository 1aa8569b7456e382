// The process's working directory as a POSIX path.
#pragma once

#include <optional>
#include <string>

namespace Platform {

// The working directory however long it is; nothing, with errno set, when it cannot be read (it has
// been removed, or a folder on the way may not be searched).
std::optional<std::string> workingDirectory();

} // namespace Platform
