// Clamping and rounding a modification time to what the MS-DOS date and time can hold.
#include "Platform/Com/DosTime.h"

namespace Platform::Com {

namespace {

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

} // namespace

std::time_t dosFieldTime(std::time_t modified) {
    const std::time_t earliest = localTime(1980, 1, 1, 0, 0, 0);
    const std::time_t latest = localTime(2107, 12, 31, 23, 59, 58);
    if (modified <= earliest)
        return earliest;
    if (modified >= latest)
        return latest;
    std::tm local{};
    if (::localtime_r(&modified, &local) == nullptr || local.tm_sec % 2 == 0)
        return modified;
    return modified + 1;
}

} // namespace Platform::Com
