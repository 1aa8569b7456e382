// Names longer than the system takes.
#pragma once

#include "System/Path.h"

namespace System::Win32 {

// Throws Win32::Exception ERROR_FILENAME_EXCED_RANGE ("The filename or extension is too long.") when
// the system answers for `path` that it cannot take a name that long; a query would otherwise answer
// "nothing there", and the failure would read as a missing file.
void refuseOverlongName(const Path& path);

} // namespace System::Win32
