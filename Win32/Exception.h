// The exception for a failed Win32 call, described by the system's text for its error code.
#pragma once

#include "Lang/Exception.h"

#include <cstdint>

namespace Win32 {

// Built from an error code (a GetLastError() value or an HRESULT). The system's text for the code is
// fetched on the first what() or copy and kept, CR LF included.
class Exception : public Lang::Exception {
public:
    // Sites that attach their location afterwards leave `location` empty.
    explicit Exception(std::uint32_t error, const Lang::String& location = Lang::String());
    // Fetches the source's text, then copies it with the code.
    Exception(const Exception& other) = default;

    // The system's text, or "Win32 ::FormatMessage failed" for a code it cannot describe.
    const char* what() const noexcept override;
    std::uint32_t getError() const { return m_error; }

private:
    std::uint32_t m_error;
};

} // namespace Win32
