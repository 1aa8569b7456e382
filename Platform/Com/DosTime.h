// The time an entry's MS-DOS date and time are written from.
#pragma once

#include <ctime>

namespace Platform::Com {

// libzip writes the MS-DOS field from the local time of the value it is given, in two-second steps,
// and wraps a year outside 1980..2107 into that range (2108 reads as 1980, 1979 as 1980 with the
// same month and day). This gives it `modified` clamped to 1980-01-01 00:00:00 .. 2107-12-31
// 23:59:58 local time, an odd second rounded up to the next even one, so that a file extracted by
// a reader of the MS-DOS field never looks older than its source.
std::time_t dosFieldTime(std::time_t modified);

} // namespace Platform::Com
