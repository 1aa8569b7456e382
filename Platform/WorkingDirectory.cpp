// The working directory: getcwd into a buffer that grows until it fits.
#include "Platform/WorkingDirectory.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Platform {

std::optional<std::string> workingDirectory() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

} // namespace Platform
