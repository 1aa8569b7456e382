// ReplaceFileW: an existing file replaced by another in one step, keeping its permissions.
#include "Platform/FileSync.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// Set-user and set-group bits are not carried over: a new file does not gain the right to run as its owner.
constexpr mode_t kKeptPermissions = 0777;

// Windows needs write access to the replaced file; a file the caller may only read is not replaced.
DWORD checkReplaceable(const std::string& replaced, struct stat& status) {
    if (::stat(replaced.c_str(), &status) != 0)
        return Platform::win32Error(errno, replaced);
    if (S_ISDIR(status.st_mode) || ::faccessat(AT_FDCWD, replaced.c_str(), W_OK, AT_EACCESS) != 0)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// The group goes over where the caller may give it (a group it belongs to), the permissions after it, as
// a change of group may clear bits.
bool takeOverPermissions(const std::string& replacement, const struct stat& replaced) {
    if (::chown(replacement.c_str(), static_cast<uid_t>(-1), replaced.st_gid) != 0 && errno != EPERM)
        return false;
    return ::chmod(replacement.c_str(), replaced.st_mode & kKeptPermissions) == 0;
}

} // namespace

BOOL ReplaceFileW(LPCWSTR replacedFileName, LPCWSTR replacementFileName, LPCWSTR backupFileName, DWORD flags,
                  LPVOID exclude, LPVOID reserved) {
    return Platform::guarded(FALSE, [&] {
        if (backupFileName != nullptr || exclude != nullptr || reserved != nullptr ||
            (flags & ~REPLACEFILE_WRITE_THROUGH) != 0)
            return Platform::failWith(ERROR_INVALID_PARAMETER);
        const auto replaced = Platform::toPosixPath(replacedFileName);
        const auto replacement = replaced ? Platform::toPosixPath(replacementFileName) : std::nullopt;
        if (!replaced || !replacement)
            return FALSE;
        struct stat status {};
        if (const DWORD refused = checkReplaceable(*replaced, status); refused != ERROR_SUCCESS)
            return Platform::failWith(refused);
        if (!takeOverPermissions(*replacement, status))
            return Platform::failWith(Platform::win32Error(errno, *replacement));
        const bool writeThrough = (flags & REPLACEFILE_WRITE_THROUGH) != 0;
        if (writeThrough && !Platform::syncPath(*replacement, O_RDONLY | O_NOFOLLOW))
            return Platform::failWith(Platform::win32Error(errno, *replacement));
        if (::rename(replacement->c_str(), replaced->c_str()) != 0)
            return Platform::failWith(Platform::win32Error(errno, *replaced));
        if (writeThrough && !Platform::syncFolderOf(*replaced))
            return Platform::failWith(Platform::win32Error(errno, *replaced));
        return Platform::succeed();
    });
}
