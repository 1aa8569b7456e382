// BSTR allocation and the VARIANT helpers.
#include "Platform/Com/OleAuto.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

using LengthPrefix = std::uint32_t;

std::byte* blockOf(BSTR text) {
    return reinterpret_cast<std::byte*>(text) - sizeof(LengthPrefix);
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr)
        return nullptr;
    const std::size_t length = std::u16string_view(psz).size();
    if (length > (std::numeric_limits<LengthPrefix>::max() - sizeof(OLECHAR)) / sizeof(OLECHAR))
        return nullptr;
    const LengthPrefix bytes = static_cast<LengthPrefix>(length * sizeof(OLECHAR));
    auto* block = static_cast<std::byte*>(std::malloc(sizeof(LengthPrefix) + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &bytes, sizeof(LengthPrefix));
    std::memcpy(block + sizeof(LengthPrefix), psz, bytes + sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(block + sizeof(LengthPrefix));
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr)
        std::free(blockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr)
        return 0;
    LengthPrefix bytes = 0;
    std::memcpy(&bytes, blockOf(pbstr), sizeof(LengthPrefix));
    return bytes / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->bstrVal = nullptr;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr)
        return E_INVALIDARG;
    if (pvarg->vt == VT_BSTR)
        SysFreeString(pvarg->bstrVal);
    VariantInit(pvarg);
    return S_OK;
}
