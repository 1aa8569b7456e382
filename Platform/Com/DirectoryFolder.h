// The shell folder of a directory.
#pragma once

#include "Platform/Com/ShlDisp.h"

#include <string>

namespace Platform::Com {

// A folder over the directory at the POSIX path `path`. Its items are the directory's entries;
// nothing can be copied or moved into it here (ERROR_NOT_SUPPORTED).
HRESULT makeDirectoryFolder(std::string path, Folder** folder);

} // namespace Platform::Com
