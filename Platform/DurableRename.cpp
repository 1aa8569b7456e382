// A rename between a sync of the file's data and a sync of its new folder.
#include "Platform/DurableRename.h"

#include "Platform/FileSync.h"
#include "Platform/Interruption.h"
#include "Platform/LastError.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>

namespace Platform {

namespace {

int renameOnly(const std::string& from, const std::string& to, bool replace) {
    if (replace)
        return ::rename(from.c_str(), to.c_str());
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

} // namespace

// A write-through rename puts finished work in place, so a run asked to end stops before it (after the
// sync, which may take long); a plain rename, such as one putting a file back, goes on.
DWORD renameFile(const std::string& from, const std::string& to, bool replace, bool writeThrough) {
    if (writeThrough && !syncPath(from, O_RDONLY | O_NOFOLLOW))
        return win32Error(errno, from);
    if (writeThrough && interruption() != 0)
        return ERROR_CANCELLED;
    if (renameOnly(from, to, replace) != 0)
        return errno == EEXIST ? ERROR_ALREADY_EXISTS : win32Error(errno, to);
    if (writeThrough && !syncFolderOf(to))
        return win32Error(errno, to);
    return ERROR_SUCCESS;
}

} // namespace Platform
