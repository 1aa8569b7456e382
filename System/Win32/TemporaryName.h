// Temporary files beside the files a run is about, under names of their own.
#pragma once

#include "System/Path.h"

#include <functional>

namespace System::Win32 {

// Makes a file in `folder` under a new name "zipfile-<eight hex digits>.tmp", short whatever the name of
// the file it stands beside, and returns that name. `create` makes the file under the name it is given and
// answers false only when the name was taken (another file has it, perhaps since a moment ago); then
// another name is tried; what it throws goes through. Throws Win32::Exception ERROR_FILENAME_EXCED_RANGE
// when the name would make a path longer than the system takes, Lang::Exception when no free name turns up.
Path createUnderTemporaryName(const Path& folder, const std::function<bool(const Path& name)>& create);

} // namespace System::Win32
