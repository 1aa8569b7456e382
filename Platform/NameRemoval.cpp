// The conditions under which unlink(2) removes a name, checked without removing it.
#include "Platform/NameRemoval.h"

#include "Platform/FileSync.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

namespace {

constexpr auto kUnchangeable = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;

bool statusOf(const std::string& path, int flags, struct statx& status) {
    return ::statx(AT_FDCWD, path.c_str(), flags, STATX_MODE | STATX_UID, &status) == 0;
}

bool unchangeable(const struct statx& status) {
    return (status.stx_attributes_mask & status.stx_attributes & kUnchangeable) != 0;
}

bool stickyKeepsOthersNames(const struct statx& folder, const struct statx& file) {
    const uid_t caller = ::geteuid();
    return (folder.stx_mode & S_ISVTX) != 0 && caller != 0 && caller != file.stx_uid &&
           caller != folder.stx_uid;
}

} // namespace

int nameRemovalRefusal(const std::string& path) {
    const std::string folder = folderOf(path);
    struct statx folderStatus {};
    struct statx fileStatus {};
    if (!statusOf(folder, 0, folderStatus) || !statusOf(path, AT_SYMLINK_NOFOLLOW, fileStatus))
        return errno;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return errno;
    if (unchangeable(folderStatus) || unchangeable(fileStatus))
        return EPERM;
    return stickyKeepsOthersNames(folderStatus, fileStatus) ? EACCES : 0;
}

} // namespace Platform
