// The shell object "Shell.Application" of the stand-in.
#pragma once

#include "Platform/Com/ShlDisp.h"

namespace Platform::Com {

// A new shell object with one reference: S_OK, or E_OUTOFMEMORY and null.
HRESULT makeShellDispatch(IShellDispatch** shell);

} // namespace Platform::Com
