// MoveFileExW: renaming a file in one step, optionally durable before the call returns.
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

constexpr DWORD kSupportedFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// fsync of the file or folder at `path`; opened without following a final symbolic link.
bool syncPath(const std::string& path, int openFlags) {
    const int fd = ::open(path.c_str(), openFlags | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int renameFile(const std::string& from, const std::string& to, DWORD flags) {
    if ((flags & MOVEFILE_REPLACE_EXISTING) != 0)
        return ::rename(from.c_str(), to.c_str());
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

} // namespace

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
    return Platform::guarded(FALSE, [&] {
        if ((flags & ~kSupportedFlags) != 0)
            return Platform::failWith(ERROR_INVALID_PARAMETER);
        const auto from = Platform::toPosixPath(existingFileName);
        const auto to = from ? Platform::toPosixPath(newFileName) : std::nullopt;
        if (!from || !to)
            return FALSE;
        const bool writeThrough = (flags & MOVEFILE_WRITE_THROUGH) != 0;
        if (writeThrough && !syncPath(*from, O_RDONLY))
            return Platform::failWith(Platform::win32Error(errno, *from));
        if (renameFile(*from, *to, flags) != 0)
            return Platform::failWith(errno == EEXIST ? ERROR_ALREADY_EXISTS
                                                      : Platform::win32Error(errno, *to));
        if (writeThrough && !syncPath(folderOf(*to), O_RDONLY | O_DIRECTORY))
            return Platform::failWith(Platform::win32Error(errno, *to));
        return Platform::succeed();
    });
}
