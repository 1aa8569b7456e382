// Per-thread apartments, the class registry of one class, and object creation.
#include "Platform/Com/ObjBase.h"

#include "Platform/Com/ShellDispatch.h"
#include "Platform/Com/ShlDisp.h"

#include <string_view>

namespace {

struct Apartment {
    unsigned initialisations = 0;
    DWORD model = COINIT_MULTITHREADED;
};

thread_local Apartment currentApartment;

constexpr std::u16string_view kShellProgId = u"Shell.Application";

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Programmatic identifiers compare without regard to ASCII letter case, as registry keys do.
bool sameProgId(std::u16string_view left, std::u16string_view right) {
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (lowerAscii(left[i]) != lowerAscii(right[i]))
            return false;
    }
    return true;
}

} // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved != nullptr)
        return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    Apartment& apartment = currentApartment;
    if (apartment.initialisations == 0) {
        apartment = {1, model};
        return S_OK;
    }
    if (apartment.model != model)
        return RPC_E_CHANGED_MODE;
    ++apartment.initialisations;
    return S_FALSE;
}

void CoUninitialize() {
    if (currentApartment.initialisations > 0)
        --currentApartment.initialisations;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (lpszProgID == nullptr || lpclsid == nullptr)
        return E_INVALIDARG;
    if (!sameProgId(lpszProgID, kShellProgId))
        return CO_E_CLASSSTRING;
    *lpclsid = CLSID_Shell;
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (currentApartment.initialisations == 0)
        return CO_E_NOTINITIALIZED;
    if (rclsid != CLSID_Shell || (dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    IShellDispatch* shell = nullptr;
    if (const HRESULT made = Platform::Com::makeShellDispatch(&shell); FAILED(made))
        return made;
    const HRESULT answer = shell->QueryInterface(riid, ppv);
    shell->Release();
    return answer;
}

HRESULT OleRun(LPUNKNOWN pUnknown) {
    return pUnknown == nullptr ? E_INVALIDARG : S_OK;
}
