// The stand-ins' error reporting: the one mapping from POSIX errno values to Win32 codes, and
// helpers that set the calling thread's last error (GetLastError) as a call ends.
#pragma once

#include "Platform/Windows.h"

#include <new>
#include <string>

namespace Platform {

// The Win32 code for a POSIX errno value; values without a closer match give ERROR_GEN_FAILURE.
DWORD win32Error(int errnoValue);

// As above for a failure on `posixPath`: ENOENT is ERROR_FILE_NOT_FOUND when the folder that would
// hold the name exists, and ERROR_PATH_NOT_FOUND when a component before the name is missing.
DWORD win32Error(int errnoValue, const std::string& posixPath);

// Sets the last error and returns FALSE.
BOOL failWith(DWORD error);

// Sets the last error to ERROR_SUCCESS and returns TRUE.
BOOL succeed();

// Runs the body of a stand-in. Running out of memory inside is the call's failure with
// ERROR_NOT_ENOUGH_MEMORY and the result `failure`, never an exception out of a Win32 call.
template <class Result, class Body>
Result guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    }
}

} // namespace Platform
