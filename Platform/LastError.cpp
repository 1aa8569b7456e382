// The calling thread's last error and the mapping from POSIX errno values to Win32 codes.
#include "Platform/LastError.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct ErrnoRow {
    int errnoValue;
    DWORD error;
};

constexpr ErrnoRow kErrnoRows[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
    {EEXIST, ERROR_FILE_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED},
    {ESPIPE, ERROR_SEEK_ON_DEVICE},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EBUSY, ERROR_BUSY},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EFAULT, ERROR_NOACCESS},
    {EIO, ERROR_IO_DEVICE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EUCLEAN, ERROR_FILE_CORRUPT},
    {ECANCELED, ERROR_CANCELLED},
};

// Whether the folder that would hold the last name of `path` exists (the working directory for a
// name without a folder).
bool holdingFolderExists(const std::string& path) {
    const auto nameEnd = path.find_last_not_of('/');
    if (nameEnd == std::string::npos) {
        return true;
    }
    const auto slash = path.rfind('/', nameEnd);
    if (slash == std::string::npos) {
        return true;
    }
    struct stat status {};
    const std::string folder = path.substr(0, slash + 1);
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}

namespace Platform {

DWORD win32Error(int errnoValue) {
    const auto row =
        std::find_if(std::begin(kErrnoRows), std::end(kErrnoRows),
                     [errnoValue](const ErrnoRow& candidate) { return candidate.errnoValue == errnoValue; });
    return row == std::end(kErrnoRows) ? ERROR_GEN_FAILURE : row->error;
}

DWORD win32Error(int errnoValue, const std::string& posixPath) {
    if (errnoValue != ENOENT) {
        return win32Error(errnoValue);
    }
    return holdingFolderExists(posixPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

BOOL failWith(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL succeed() {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace Platform
