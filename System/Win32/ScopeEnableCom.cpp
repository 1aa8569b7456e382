// Keeps COM initialised on the calling thread for as long as the scope lives.
#include "System/Win32/ScopeEnableCom.h"

#include "Lang/Throw.h"
#include "Platform/Com/ObjBase.h"
#include "Win32/Exception.h"

namespace System::Win32 {

bool initializeCom(DWORD mode) {
    const HRESULT hr = CoInitializeEx(nullptr, mode);
    if (hr == S_OK)
        return true;
    if (hr == S_FALSE)
        return false;
    LANG_THROW(::Win32::Exception(static_cast<DWORD>(hr), Lang::String()));
}

ScopeEnableCom::ScopeEnableCom() : m_initialized(initializeCom(COINIT_APARTMENTTHREADED)) {}

ScopeEnableCom::~ScopeEnableCom() {
    if (m_initialized)
        CoUninitialize();
}

} // namespace System::Win32
