// MoveFileExW: renaming a file in one step, optionally durable before the call returns.
#include "Platform/FileSync.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

constexpr DWORD kSupportedFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

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
        if (writeThrough && !Platform::syncPath(*from, O_RDONLY | O_NOFOLLOW))
            return Platform::failWith(Platform::win32Error(errno, *from));
        if (renameFile(*from, *to, flags) != 0)
            return Platform::failWith(errno == EEXIST ? ERROR_ALREADY_EXISTS
                                                      : Platform::win32Error(errno, *to));
        if (writeThrough && !Platform::syncFolderOf(*to))
            return Platform::failWith(Platform::win32Error(errno, *to));
        return Platform::succeed();
    });
}
