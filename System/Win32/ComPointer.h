// A counted COM interface pointer that releases its interface when it goes out of scope.
#pragma once

#include "System/Win32/ComError.h"

namespace System::Win32 {

// Holds one reference, or none when null. Using a null pointer raises the automation error E_POINTER.
template <class Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() { reset(); }

    Interface* operator->() const {
        if (m_pointer == nullptr)
            _com_issue_error(E_POINTER);
        return m_pointer;
    }

    Interface* get() const { return m_pointer; }

    // Releases what is held and gives the place for an out-parameter to fill with a new reference.
    Interface** receive() {
        reset();
        return &m_pointer;
    }

    void reset() {
        if (m_pointer != nullptr)
            m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    Interface* m_pointer = nullptr;
};

} // namespace System::Win32
