// fsync by path, keeping the errno of the failing call.
#include "Platform/FileSync.h"

#include "Platform/Retried.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

bool syncPath(const std::string& path, int openFlags) {
    const int fd = retried([&] { return ::open(path.c_str(), openFlags | O_CLOEXEC); });
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    errno = syncError;
    return synced;
}

bool syncFolderOf(const std::string& path) {
    return syncPath(folderOf(path), O_RDONLY | O_DIRECTORY);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace Platform
