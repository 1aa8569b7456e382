// The shell folder of a ZIP archive, a compressed folder.
#pragma once

#include "Platform/Com/ShlDisp.h"

#include <string>

namespace Platform::Com {

// A folder over the archive at the POSIX path `path`. Its items are the archive's entries; a file
// copied or moved into it becomes an entry (see ArchiveUpdate.h).
HRESULT makeArchiveFolder(std::string path, Folder** folder);

} // namespace Platform::Com
