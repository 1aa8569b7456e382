// A VARIANT owned by a scope: empty, or holding a string, cleared when it goes out of scope.
#pragma once

#include "Lang/String.h"
#include "Platform/Com/OleAuto.h"

namespace System::Win32 {

class Variant {
public:
    // The empty variant.
    Variant();
    // A string variant holding a copy of `text`; raises the automation error E_OUTOFMEMORY when the
    // string cannot be allocated.
    explicit Variant(const Lang::String& text);
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant();

    // The variant as a call takes it by value: the callee borrows what it holds.
    const VARIANT& get() const { return m_variant; }

private:
    VARIANT m_variant;
};

} // namespace System::Win32
