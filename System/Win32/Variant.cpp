// A VARIANT owned by a scope.
#include "System/Win32/Variant.h"

#include "System/Win32/ComError.h"

namespace System::Win32 {

Variant::Variant() {
    VariantInit(&m_variant);
}

Variant::Variant(const Lang::String& text) : Variant() {
    m_variant.vt = VT_BSTR;
    m_variant.bstrVal = SysAllocString(text.c_str());
    if (m_variant.bstrVal == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
}

Variant::~Variant() {
    VariantClear(&m_variant);
}

} // namespace System::Win32
