// A name for a temporary file beside another file.
#pragma once

#include "System/Path.h"

namespace System::Win32 {

// "<path>.<eight hex digits>.tmp" that names nothing yet; throws when no free name turns up.
Path unusedName(const Path& path);

} // namespace System::Win32
