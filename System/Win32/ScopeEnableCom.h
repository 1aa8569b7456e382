// Keeps COM initialised on the calling thread for as long as the scope lives.
#pragma once

#include "Platform/Windows.h"

namespace System::Win32 {

// Initialises COM on the calling thread with `mode` (the CoInitializeEx concurrency flags): true when
// this call initialised it, false when the thread already was in the same model. Throws
// Win32::Exception with the HRESULT otherwise, for example RPC_E_CHANGED_MODE.
bool initializeCom(DWORD mode);

// A single-threaded apartment for the scope's lifetime; undone at the end only if this scope made it.
class ScopeEnableCom {
public:
    ScopeEnableCom();
    ScopeEnableCom(const ScopeEnableCom&) = delete;
    ScopeEnableCom& operator=(const ScopeEnableCom&) = delete;
    ~ScopeEnableCom();

private:
    bool m_initialized;
};

} // namespace System::Win32
