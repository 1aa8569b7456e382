// File handles: CreateFileW with the Win32 dispositions, GetFileInformationByHandle, CloseHandle.
//
// Share modes are not honoured: POSIX has no mandatory sharing, and an advisory lock would bind
// only the callers of this layer. Security attributes and template files are ignored; descriptors
// are never inherited.
#include "Platform/FileStatus.h"
#include "Platform/LastError.h"
#include "Platform/NameRemoval.h"
#include "Platform/OpenFile.h"
#include "Platform/PathText.h"
#include "Platform/Retried.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr mode_t kCreationMode = 0666;

// open(2) access flags. Without data access a handle is for information only: where nothing can be
// created it is opened with O_PATH, which needs no permission on the file itself.
int accessFlags(DWORD access, DWORD disposition) {
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    if (read && write) {
        return O_RDWR;
    }
    if (write) {
        return O_WRONLY;
    }
    return read || disposition != OPEN_EXISTING ? O_RDONLY : O_PATH;
}

std::optional<int> creationFlags(DWORD disposition) {
    switch (disposition) {
    case CREATE_NEW:
        return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return 0;
    case OPEN_ALWAYS:
        return O_CREAT;
    case TRUNCATE_EXISTING:
        return O_TRUNC;
    default:
        return std::nullopt;
    }
}

struct Opened {
    int descriptor;
    bool existed;
};

// Opens `path`, telling for the dispositions that may or may not create whether the file was there
// already (Windows reports that as ERROR_ALREADY_EXISTS).
Opened openTellingExistence(const std::string& path, int flags) {
    const auto open = [&path](int openFlags) {
        return Platform::retried([&] { return ::open(path.c_str(), openFlags, kCreationMode); });
    };
    if ((flags & O_CREAT) == 0 || (flags & O_EXCL) != 0) {
        return {open(flags), (flags & O_CREAT) == 0};
    }
    const int created = open(flags | O_EXCL);
    if (created >= 0 || errno != EEXIST) {
        return {created, false};
    }
    const int existing = open(flags & ~O_CREAT);
    if (existing >= 0 || errno != ENOENT) {
        return {existing, true};
    }
    // A dangling symbolic link, or a name removed in between: create through it.
    return {open(flags), false};
}

HANDLE failHandle(DWORD error) {
    Platform::failWith(error);
    return INVALID_HANDLE_VALUE;
}

bool isFolder(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
}

bool reportsExistence(DWORD disposition) {
    return disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS;
}

} // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   SECURITY_ATTRIBUTES* /*security*/, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE /*templateFile*/) {
    return Platform::guarded(INVALID_HANDLE_VALUE, [&] {
        const auto creation = creationFlags(creationDisposition);
        if (!creation || (creationDisposition == TRUNCATE_EXISTING && (desiredAccess & GENERIC_WRITE) == 0)) {
            return failHandle(ERROR_INVALID_PARAMETER);
        }
        const auto path = Platform::toPosixPath(fileName);
        if (!path) {
            return INVALID_HANDLE_VALUE;
        }
        const int flags = accessFlags(desiredAccess, creationDisposition) | *creation | O_CLOEXEC;
        const Opened opened = openTellingExistence(*path, flags);
        if (opened.descriptor < 0) {
            return failHandle(Platform::win32Error(errno, *path));
        }
        auto file = std::make_shared<Platform::OpenFile>(opened.descriptor, desiredAccess);
        if ((flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) == 0 && isFolder(opened.descriptor)) {
            return failHandle(ERROR_ACCESS_DENIED);
        }
        if ((desiredAccess & DELETE) != 0) {
            if (const int refusal = Platform::nameRemovalRefusal(*path); refusal != 0) {
                return failHandle(Platform::win32Error(refusal, *path));
            }
        }
        const HANDLE handle = Platform::openFiles().insert(std::move(file));
        Platform::failWith(opened.existed && reportsExistence(creationDisposition) ? ERROR_ALREADY_EXISTS
                                                                                   : ERROR_SUCCESS);
        return handle;
    });
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
    const auto open = Platform::lookUpFile(file, 0);
    if (!open) {
        return FALSE;
    }
    if (information == nullptr) {
        return Platform::failWith(ERROR_INVALID_PARAMETER);
    }
    struct stat status {};
    if (::fstat(open->descriptor(), &status) != 0) {
        return Platform::failWith(Platform::win32Error(errno));
    }
    *information = {};
    Platform::fillStatusMembers(*information, status);
    const auto device = static_cast<std::uint64_t>(status.st_dev);
    information->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
    information->nNumberOfLinks =
        static_cast<DWORD>(std::min<std::uint64_t>(status.st_nlink, std::numeric_limits<DWORD>::max()));
    const auto index = static_cast<std::uint64_t>(status.st_ino);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(index);
    return Platform::succeed();
}

BOOL CloseHandle(HANDLE object) {
    return Platform::openFiles().erase(object) ? Platform::succeed()
                                               : Platform::failWith(ERROR_INVALID_HANDLE);
}
