// Adding one file to a ZIP archive as a single entry: the work of CopyHere and MoveHere.
#pragma once

#include "Platform/Windows.h"

#include <string>

namespace Platform::Com {

enum class Transfer { Copy, Move };

// Adds the regular file at `itemPath` to the archive at `archivePath` (both POSIX paths) as one entry
// named by the file's name, replacing an entry of that name: deflated, with its modification time
// and permissions. The new archive replaces the old one atomically before this returns (not
// synced: the caller puts it in place durably); a moved file is removed only then, and only when it did not
// change after it was read (else HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), the file kept, the new archive
// in place). On any other failure the archive is as it was; a file that changed while it was read fails the
// same way. Shows progress on standard error when `showProgress` and the work takes long. S_OK or
// HRESULT_FROM_WIN32 of the cause.
HRESULT addFileToArchive(const std::string& archivePath, const std::string& itemPath, Transfer transfer,
                         bool showProgress);

} // namespace Platform::Com
