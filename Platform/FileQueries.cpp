// Queries on names: GetFileAttributesW, DeleteFileW and GetCurrentDirectoryW.
#include "Platform/FileStatus.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"
#include "Platform/WorkingDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

DWORD GetFileAttributesW(LPCWSTR fileName) {
    return Platform::guarded(INVALID_FILE_ATTRIBUTES, [&] {
        const auto path = Platform::toPosixPath(fileName);
        if (!path) {
            return INVALID_FILE_ATTRIBUTES;
        }
        struct stat status {};
        if (::stat(path->c_str(), &status) != 0) {
            Platform::failWith(Platform::win32Error(errno, *path));
            return INVALID_FILE_ATTRIBUTES;
        }
        Platform::succeed();
        return Platform::attributesOf(status);
    });
}

BOOL DeleteFileW(LPCWSTR fileName) {
    return Platform::guarded(FALSE, [&] {
        const auto path = Platform::toPosixPath(fileName);
        if (!path) {
            return FALSE;
        }
        // unlink refuses a folder with EISDIR: access denied, as Windows answers.
        if (::unlink(path->c_str()) != 0) {
            return Platform::failWith(Platform::win32Error(errno, *path));
        }
        return Platform::succeed();
    });
}

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
    return Platform::guarded(DWORD{0}, [&] {
        const auto directory = Platform::workingDirectory();
        if (!directory) {
            Platform::failWith(Platform::win32Error(errno));
            return DWORD{0};
        }
        // A folder whose name cannot travel exactly is not handed over as another folder's name.
        const auto exact = Platform::toExactWin32Text(*directory);
        if (!exact) {
            Platform::failWith(ERROR_INVALID_NAME);
            return DWORD{0};
        }
        const std::u16string& text = *exact;
        const auto needed = static_cast<DWORD>(text.size() + 1);
        if (buffer == nullptr || bufferLength < needed) {
            Platform::failWith(ERROR_INSUFFICIENT_BUFFER);
            return needed;
        }
        std::copy(text.c_str(), text.c_str() + needed, buffer);
        Platform::succeed();
        return static_cast<DWORD>(text.size());
    });
}
