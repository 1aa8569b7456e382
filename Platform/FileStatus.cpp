// Win32 attributes, file times and sizes from a POSIX file status.
#include "Platform/FileStatus.h"

#include <limits>

namespace Platform {

namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t kIntervalsPerSecond = 10000000;
constexpr std::int64_t kNanosecondsPerInterval = 100;

FILETIME fileTimeFromIntervals(std::uint64_t intervals) {
    return {static_cast<DWORD>(intervals), static_cast<DWORD>(intervals >> 32)};
}

} // namespace

DWORD attributesOf(const struct stat& status) {
    DWORD attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

FILETIME fileTimeOf(const struct timespec& time) {
    constexpr std::int64_t kLatestSecond = std::numeric_limits<std::int64_t>::max() / kIntervalsPerSecond - 1;
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec);
    if (seconds < -kSecondsFrom1601To1970) {
        return fileTimeFromIntervals(0);
    }
    if (seconds > kLatestSecond - kSecondsFrom1601To1970) {
        return fileTimeFromIntervals(std::numeric_limits<std::int64_t>::max());
    }
    const std::int64_t intervals =
        (seconds + kSecondsFrom1601To1970) * kIntervalsPerSecond + time.tv_nsec / kNanosecondsPerInterval;
    return fileTimeFromIntervals(static_cast<std::uint64_t>(intervals));
}

std::uint64_t reportedSizeOf(const struct stat& status) {
    return S_ISDIR(status.st_mode) ? 0 : static_cast<std::uint64_t>(status.st_size);
}

} // namespace Platform
