// The exception for a failed Win32 call and the lookup of its system text.
#include "Win32/Exception.h"

#include "Lang/StringCast.h"
#include "Platform/Windows.h"

#include <memory>

namespace Win32 {

namespace {

struct LocalFreeDeleter {
    void operator()(char16_t* block) const { ::LocalFree(block); }
};

// The system's text for `error` in the default language; empty when it has none.
std::string systemText(DWORD error) {
    char16_t* block = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                          nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                          reinterpret_cast<LPWSTR>(&block), 0, nullptr);
    const std::unique_ptr<char16_t, LocalFreeDeleter> owner(block);
    if (block == nullptr)
        return std::string();
    return Xtl::string_cast<std::string>(Lang::String(block, length));
}

} // namespace

Exception::Exception(std::uint32_t error, const Lang::String& location)
    : Lang::Exception(Lang::String(), location), m_error(error) {}

const char* Exception::what() const noexcept {
    if (!m_message.empty())
        return m_message.c_str();
    try {
        m_message = systemText(m_error);
        if (m_message.empty())
            m_message = "Win32 ::FormatMessage failed";
    } catch (...) {
        // Out of memory while converting: the text stays as it was.
    }
    return m_message.c_str();
}

} // namespace Win32
