// The HRESULTs of the shell stand-in's failures: libzip's errors and POSIX errno values.
#pragma once

#include "Platform/Windows.h"

#include <zip.h>

namespace Platform::Com {

HRESULT hresultFromErrno(int errnoValue);

// HRESULT_FROM_WIN32 of the cause: the errno a libzip error carries where it has one, else a
// code for its kind (a damaged archive is ERROR_INVALID_DATA); E_FAIL for libzip's own faults.
HRESULT hresultFromZipError(const zip_error_t& error);

} // namespace Platform::Com
