// Renaming a file, durable on request: the step MoveFileExW and ReplaceFileW share.
#pragma once

#include "Platform/Windows.h"

#include <string>

namespace Platform {

// Renames `from` to `to`, replacing an existing `to` only when `replace`; with `writeThrough` the
// file's data is on disk before the rename and the new name after it. ERROR_SUCCESS, ERROR_ALREADY_EXISTS
// for a `to` that is not to be replaced, or the Win32 error of the step that failed.
DWORD renameFile(const std::string& from, const std::string& to, bool replace, bool writeThrough);

} // namespace Platform
