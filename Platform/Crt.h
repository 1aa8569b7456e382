// The Microsoft runtime-library names the framework calls beyond standard C.
//
// Failing calls leave errno in the POSIX numbering of this system; `_get_errno` reads it in the
// Microsoft numbering that the framework's errno texts use (EDEADLK 36, EILSEQ 42, STRUNCATE 80, ...).
#pragma once

#include <cstddef>
#include <cstdio>

using errno_t = int;

// Sharing flags of _wfsopen.
inline constexpr int _SH_DENYRW = 0x10;
inline constexpr int _SH_DENYWR = 0x20;
inline constexpr int _SH_DENYRD = 0x30;
inline constexpr int _SH_DENYNO = 0x40;

// Opens a file by Win32 path text (see Windows.h) with a stdio mode ("rb", "wb", "ab", each with an
// optional '+'; "wbx" and "wb+x" create the file or fail with EEXIST) and a sharing flag, which is checked
// but not enforced. A folder is refused (EACCES).
std::FILE* _wfsopen(const char16_t* fileName, const char16_t* mode, int shareFlag);
int _fseeki64(std::FILE* stream, long long offset, int origin);
long long _ftelli64(std::FILE* stream);
// The descriptor of an open stream.
int _fileno(std::FILE* stream);
// Truncates or extends (with zeros) the file open as `fd` to `size` bytes; 0, or the errno value.
errno_t _chsize_s(int fd, long long size);

errno_t _get_errno(int* value);

// Formats into `buffer` of `size` bytes; returns the length written, or -1 when it does not fit
// (the buffer then holds the empty string).
int sprintf_s(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

int _finite(double value);
int _isnan(double value);
