// ReplaceFileW: an existing file replaced by another in one step, keeping its permissions and owner.
#include "Platform/DurableRename.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// Set-user and set-group bits are not carried over: a new file does not gain the right to run as its owner.
constexpr mode_t kKeptPermissions = 0777;
constexpr const char* kAccessList = "system.posix_acl_access";

// Windows needs write access to the replaced file; a file the caller may only read is not replaced.
DWORD checkReplaceable(const std::string& replaced, struct stat& status) {
    if (::stat(replaced.c_str(), &status) != 0)
        return Platform::win32Error(errno, replaced);
    if (S_ISDIR(status.st_mode) || ::faccessat(AT_FDCWD, replaced.c_str(), W_OK, AT_EACCESS) != 0)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// The owner and the group go over where the caller may give them: root both, another user a group it
// belongs to. A change the caller may not make is left out.
bool takeOverOwnership(const std::string& replacement, const struct stat& replaced) {
    if (::chown(replacement.c_str(), replaced.st_uid, replaced.st_gid) == 0)
        return true;
    if (errno != EPERM)
        return false;
    return ::chown(replacement.c_str(), static_cast<uid_t>(-1), replaced.st_gid) == 0 || errno == EPERM;
}

// An access list beyond the mode bits (a named user, say) goes over too: without it the group bits, which
// show the list's mask, would give the owning group what only a named user had.
bool takeOverAccessList(const std::string& replacement, const std::string& replaced) {
    const ssize_t size = ::getxattr(replaced.c_str(), kAccessList, nullptr, 0);
    if (size < 0)
        return errno == ENODATA || errno == ENOTSUP;
    std::vector<char> list(static_cast<std::size_t>(size));
    const ssize_t got = ::getxattr(replaced.c_str(), kAccessList, list.data(), list.size());
    return got >= 0 &&
           ::setxattr(replacement.c_str(), kAccessList, list.data(), static_cast<std::size_t>(got), 0) == 0;
}

// A symbolic link in the replaced file's place has no permissions of its own, and those of the file it
// names belong to that file, wherever it is (another user may have planted the link to give a new
// archive their own ownership): the replacement then keeps its own, as a new file.
bool isLink(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

// Ownership first, as a change of owner or group may clear mode bits; the access list last, as it sets
// the group bits.
bool takeOverPermissions(const std::string& replacement, const std::string& replaced,
                         const struct stat& status) {
    return takeOverOwnership(replacement, status) &&
           ::chmod(replacement.c_str(), status.st_mode & kKeptPermissions) == 0 &&
           takeOverAccessList(replacement, replaced);
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
        if (!isLink(*replaced) && !takeOverPermissions(*replacement, *replaced, status))
            return Platform::failWith(Platform::win32Error(errno, *replacement));
        if (const DWORD error =
                Platform::renameFile(*replacement, *replaced, true, (flags & REPLACEFILE_WRITE_THROUGH) != 0);
            error != ERROR_SUCCESS)
            return Platform::failWith(error);
        return Platform::succeed();
    });
}
