// The OLE Automation strings and variants the framework uses, declared as the Windows headers declare them.
//
// A BSTR points at its first character; the 4 bytes before it hold its length in bytes and a NUL
// follows it. The null BSTR is the empty string. A VARIANT owns the BSTR it holds.
#pragma once

#include "Platform/Com/ObjBase.h"

using BSTR = OLECHAR*;
using VARTYPE = unsigned short;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        BSTR bstrVal;
    };
};
using VARIANTARG = VARIANT;

// A copy of `psz`, or null for a null text or when memory runs out.
BSTR SysAllocString(const OLECHAR* psz);
void SysFreeString(BSTR bstrString);
// The length in characters; 0 for the null BSTR.
UINT SysStringLen(BSTR pbstr);

void VariantInit(VARIANTARG* pvarg);
// Frees what the variant holds and leaves it empty.
HRESULT VariantClear(VARIANTARG* pvarg);
