// The Microsoft runtime-library calls on the C library: share-mode open by Win32 path text, 64-bit
// positioning, errno in the Microsoft numbering, bounded sprintf, floating-point class tests.
//
// The sharing flag of _wfsopen is checked but not enforced: POSIX has no mandatory sharing.
#include "Platform/Crt.h"

#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct ErrnoRow {
    int posix;
    int microsoft;
};

// The values that differ; every other value is the same in both numberings. Refusals that have no
// Microsoft errno text get the values that the Microsoft library gives for what Windows reports in their
// place: a read-only file system, an immutable file or folder and a running program's file are a
// write-protected disk, an access denied and a sharing violation (EACCES each); a name too long is ENOENT.
constexpr ErrnoRow kMicrosoftErrno[] = {
    {EPERM, EACCES},  {EDEADLK, 36},     {ENAMETOOLONG, ENOENT}, {ENOLCK, 39}, {ENOSYS, 40},
    {ENOTEMPTY, 41},  {EILSEQ, 42},      {EDQUOT, 28},           {ELOOP, 114}, {EOPNOTSUPP, 130},
    {EOVERFLOW, 132}, {ETXTBSY, EACCES}, {EROFS, EACCES},
};

int microsoftErrno(int posix) {
    const auto row = std::find_if(std::begin(kMicrosoftErrno), std::end(kMicrosoftErrno),
                                  [posix](const ErrnoRow& candidate) { return candidate.posix == posix; });
    return row == std::end(kMicrosoftErrno) ? posix : row->microsoft;
}

// The stdio mode for a Microsoft mode text: 'r', 'w' or 'a', then at most one 'b' and one '+', and
// after 'w' at most one 'x' (the file must not be there: created exclusively). The descriptor is never
// inherited ('e').
std::optional<std::string> stdioMode(const char16_t* mode) {
    if (mode == nullptr || (mode[0] != u'r' && mode[0] != u'w' && mode[0] != u'a')) {
        return std::nullopt;
    }
    const std::u16string_view rest(mode + 1);
    const auto count = [&rest](char16_t unit) { return std::count(rest.begin(), rest.end(), unit); };
    const auto exclusive = count(u'x');
    if (count(u'b') > 1 || count(u'+') > 1 || exclusive > (mode[0] == u'w' ? 1 : 0) ||
        rest.size() != static_cast<std::size_t>(count(u'b') + count(u'+') + exclusive)) {
        return std::nullopt;
    }
    std::string result(1, static_cast<char>(mode[0]));
    if (count(u'+') == 1) {
        result += '+';
    }
    if (exclusive == 1) {
        result += 'x';
    }
    return result + "e";
}

bool isShareFlag(int shareFlag) {
    return shareFlag == _SH_DENYRW || shareFlag == _SH_DENYWR || shareFlag == _SH_DENYRD ||
           shareFlag == _SH_DENYNO;
}

// The errno for a path text that names nothing (see toPosixPath).
int errnoForPathError(DWORD error) {
    if (error == ERROR_INVALID_NAME || error == ERROR_INVALID_PARAMETER) {
        return EINVAL;
    }
    return error == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM : ENOENT;
}

std::FILE* failOpen(int error) {
    errno = error;
    return nullptr;
}

bool isFolder(std::FILE* stream) {
    struct stat status {};
    return ::fstat(::fileno(stream), &status) == 0 && S_ISDIR(status.st_mode);
}

std::FILE* openFile(const char16_t* fileName, const char16_t* mode, int shareFlag) {
    const auto openMode = stdioMode(mode);
    if (!openMode || !isShareFlag(shareFlag)) {
        return failOpen(EINVAL);
    }
    const auto path = Platform::toPosixPath(fileName);
    if (!path) {
        return failOpen(errnoForPathError(GetLastError()));
    }
    std::FILE* stream = std::fopen(path->c_str(), openMode->c_str());
    // A folder cannot be opened as a file: permission denied, as the Microsoft library says.
    if (stream == nullptr) {
        return failOpen(errno == EISDIR ? EACCES : errno);
    }
    if (isFolder(stream)) {
        std::fclose(stream);
        return failOpen(EACCES);
    }
    return stream;
}

} // namespace

std::FILE* _wfsopen(const char16_t* fileName, const char16_t* mode, int shareFlag) {
    try {
        return openFile(fileName, mode, shareFlag);
    } catch (const std::bad_alloc&) {
        return failOpen(ENOMEM);
    }
}

int _fseeki64(std::FILE* stream, long long offset, int origin) {
    if (stream == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return ::fseeko(stream, static_cast<off_t>(offset), origin);
}

long long _ftelli64(std::FILE* stream) {
    if (stream == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return ::ftello(stream);
}

int _fileno(std::FILE* stream) {
    if (stream == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return ::fileno(stream);
}

errno_t _chsize_s(int fd, long long size) {
    if (size < 0) {
        errno = EINVAL;
        return EINVAL;
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        return microsoftErrno(errno);
    }
    return 0;
}

errno_t _get_errno(int* value) {
    if (value == nullptr) {
        return EINVAL;
    }
    *value = microsoftErrno(errno);
    return 0;
}

int sprintf_s(char* buffer, std::size_t size, const char* format, ...) {
    if (buffer == nullptr || size == 0) {
        errno = EINVAL;
        return -1;
    }
    buffer[0] = '\0';
    if (format == nullptr) {
        errno = EINVAL;
        return -1;
    }
    // The length is measured first, so text that does not fit leaves nothing behind but the empty string.
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    const bool fits = length >= 0 && static_cast<std::size_t>(length) < size;
    if (fits)
        std::vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    if (!fits) {
        errno = ERANGE;
        return -1;
    }
    return length;
}

int _finite(double value) {
    return std::isfinite(value) ? 1 : 0;
}

int _isnan(double value) {
    return std::isnan(value) ? 1 : 0;
}
