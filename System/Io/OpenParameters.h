// The parameters of opening a stream: what to do with an existing file, the access and the sharing.
#pragma once

#include <cstdint>

namespace System::Io {

// The values equal the Win32 creation dispositions.
enum class OpenDisposition : std::uint32_t {
    CreateNew = 1,
    CreateAlways = 2,
    OpenExisting = 3,
    OpenAlways = 4,
    TruncateExisting = 5,
};

// What this opener may do; the value 0 (no enumerator) asks for attribute access only.
enum class AccessMode : std::uint32_t {
    Read = 1,
    Write = 2,
    ReadWrite = 3,
};

// What other openers may do while the stream is open.
enum class ShareMode : std::uint32_t {
    None = 0,
    Read = 1,
    Write = 2,
    ReadWrite = 3,
};

// Bit flags; bits other than Append are ignored.
enum class OpenFlags : std::uint32_t {
    None = 0,
    Append = 1,
};

inline bool hasFlag(OpenFlags flags, OpenFlags flag) {
    return (static_cast<std::uint32_t>(flags) & static_cast<std::uint32_t>(flag)) != 0;
}

} // namespace System::Io
