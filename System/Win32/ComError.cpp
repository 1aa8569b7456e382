// The automation error and its message rule.
#include "System/Win32/ComError.h"

#include "Lang/FormatString.h"

#include <algorithm>
#include <cstdarg>
#include <string>

namespace {

constexpr DWORD kMessageFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr std::size_t kFallbackLength = 32;
constexpr DWORD kFirstDispatchError = 0x80040200;
constexpr DWORD kLastDispatchError = 0x8004FFFF;

std::size_t textLength(const WCHAR* text) {
    return std::char_traits<WCHAR>::length(text);
}

// Drops a final LF of a text longer than one character, then a CR standing last.
void dropLineEnd(WCHAR* text) {
    std::size_t length = textLength(text);
    if (length > 1 && text[length - 1] == u'\n')
        text[--length] = 0;
    if (length > 0 && text[length - 1] == u'\r')
        text[length - 1] = 0;
}

WCHAR* systemText(HRESULT hr) {
    WCHAR* text = nullptr;
    FormatMessageW(kMessageFlags, nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    return text;
}

// The IDispatch error number of `hr`, 0 outside the range set aside for IDispatch errors.
int dispatchCode(HRESULT hr) {
    const auto code = static_cast<DWORD>(hr);
    if (code < kFirstDispatchError || code > kLastDispatchError)
        return 0;
    return static_cast<WORD>(code - kFirstDispatchError);
}

// Formats into a 32-character LocalAlloc block; null when the block cannot be had. The engine reads a
// 'l' argument as 32 bits, as the system's long is.
WCHAR* fallbackText(const char16_t* format, ...) {
    auto* text = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, kFallbackLength * sizeof(WCHAR)));
    if (text == nullptr)
        return nullptr;
    va_list arguments;
    va_start(arguments, format);
    const std::u16string formatted = Lang::formatWideString(format, arguments);
    va_end(arguments);
    const std::size_t length = std::min(formatted.size(), kFallbackLength - 1);
    std::copy_n(formatted.data(), length, text);
    text[length] = 0;
    return text;
}

} // namespace

_com_error::_com_error(HRESULT hr, IUnknown* errorInfo) : m_hr(hr), m_errorInfo(errorInfo) {
    if (m_errorInfo != nullptr)
        m_errorInfo->AddRef();
}

_com_error::_com_error(const _com_error& other) : _com_error(other.m_hr, other.m_errorInfo) {}

_com_error::~_com_error() {
    if (m_message != nullptr)
        LocalFree(m_message);
    if (m_errorInfo != nullptr)
        m_errorInfo->Release();
}

const WCHAR* _com_error::ErrorMessage() const {
    if (m_message != nullptr)
        return m_message;
    m_message = systemText(m_hr);
    if (m_message != nullptr) {
        dropLineEnd(m_message);
        return m_message;
    }
    const int code = dispatchCode(m_hr);
    m_message = code != 0 ? fallbackText(u"IDispatch error #%d", code)
                          : fallbackText(u"Unknown error 0x%0lX", static_cast<DWORD>(m_hr));
    return m_message;
}

void _com_issue_error(HRESULT hr) {
    throw _com_error(hr);
}
