// The automation error: an HRESULT raised by the COM support code, with its message text.
#pragma once

#include "Platform/Com/ObjBase.h"

// Outside the Lang::Exception family; the zip operation turns it into a Lang::Exception.
class _com_error {
public:
    // `errorInfo`, when given, is extra error information; the error holds a reference on it.
    explicit _com_error(HRESULT hr, IUnknown* errorInfo = nullptr);
    // Copies the HRESULT and the error information; the copy computes its own message on demand.
    _com_error(const _com_error& other);
    _com_error& operator=(const _com_error&) = delete;
    virtual ~_com_error();

    HRESULT Error() const { return m_hr; }

    // The system's text for the HRESULT without its line end, else "IDispatch error #<n>" for the
    // IDispatch range or "Unknown error 0x<HRESULT>". Computed once and cached; null only when not
    // even the 32-character fallback could be allocated.
    const WCHAR* ErrorMessage() const;

private:
    HRESULT m_hr;
    IUnknown* m_errorInfo;
    mutable WCHAR* m_message = nullptr;
};

// Throws the automation error for `hr` with no error information.
[[noreturn]] void _com_issue_error(HRESULT hr);
