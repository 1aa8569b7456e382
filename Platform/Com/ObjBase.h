// The COM names the framework calls, declared as the Windows headers declare them.
//
// Apartments are per thread: the first CoInitializeEx of a thread answers S_OK, each further one of
// the same model S_FALSE (each counted, each owing a CoUninitialize), one of the other model
// RPC_E_CHANGED_MODE. The only class known is the shell object "Shell.Application" (ShlDisp.h).
#pragma once

#include "Platform/Windows.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPCLSID = CLSID*;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr bool operator==(const GUID& left, const GUID& right) {
    if (left.Data1 != right.Data1 || left.Data2 != right.Data2 || left.Data3 != right.Data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (left.Data4[i] != right.Data4[i])
            return false;
    }
    return true;
}

constexpr bool IsEqualGUID(const GUID& left, const GUID& right) {
    return left == right;
}

inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The root of every COM interface. Objects free themselves when the last reference is released.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// CoInitializeEx concurrency models.
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// CoCreateInstance class contexts.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_ALL = 0x17;

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
HRESULT OleRun(LPUNKNOWN pUnknown);
