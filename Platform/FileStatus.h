// Win32 views of a POSIX file status: attributes, file times and sizes, shared by the calls that
// report them (GetFileAttributesW, the find calls, GetFileInformationByHandle).
#pragma once

#include "Platform/Windows.h"

#include <sys/stat.h>

#include <cstdint>
#include <ctime>

namespace Platform {

// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_READONLY when no write bit is set, and
// FILE_ATTRIBUTE_NORMAL when neither holds.
DWORD attributesOf(const struct stat& status);

// 100-nanosecond intervals since 1601-01-01 UTC; times before then are 0.
FILETIME fileTimeOf(const struct timespec& time);

// The size Windows reports: a folder has none.
std::uint64_t reportedSizeOf(const struct stat& status);

// Fills the members that WIN32_FIND_DATAW and BY_HANDLE_FILE_INFORMATION share. POSIX keeps no
// creation time: the earlier of the change and modification times stands in for it.
template <class Record>
void fillStatusMembers(Record& record, const struct stat& status) {
    record.dwFileAttributes = attributesOf(status);
    const bool changedFirst =
        status.st_ctim.tv_sec < status.st_mtim.tv_sec ||
        (status.st_ctim.tv_sec == status.st_mtim.tv_sec && status.st_ctim.tv_nsec < status.st_mtim.tv_nsec);
    record.ftCreationTime = fileTimeOf(changedFirst ? status.st_ctim : status.st_mtim);
    record.ftLastAccessTime = fileTimeOf(status.st_atim);
    record.ftLastWriteTime = fileTimeOf(status.st_mtim);
    const std::uint64_t size = reportedSizeOf(status);
    record.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    record.nFileSizeLow = static_cast<DWORD>(size);
}

} // namespace Platform
