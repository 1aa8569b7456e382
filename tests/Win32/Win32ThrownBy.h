// Test helper: the Win32::Exception a call throws, as its code, its text and its location's function.
#pragma once

#include "Win32/Exception.h"
#include "tests/Lang/ThrownBy.h"

#include <cstdint>
#include <ostream>
#include <string>

// The system's texts for the codes the tests provoke.
inline const std::string kFileNotFoundText = "The system cannot find the file specified.\r\n";
inline const std::string kPathNotFoundText = "The system cannot find the path specified.\r\n";
inline const std::string kAccessDeniedText = "Access is denied.\r\n";
inline const std::string kFileExistsText = "The file exists.\r\n";

struct Win32Thrown {
    std::uint32_t error;
    std::string message;
    std::string function;
    bool operator==(const Win32Thrown&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Win32Thrown& thrown) {
    return out << thrown.error << " \"" << thrown.message << "\" at " << thrown.function;
}

template <class Call>
Win32Thrown win32ThrownBy(Call call) {
    try {
        call();
    } catch (const Win32::Exception& error) {
        return {error.getError(), error.what(), locationFunction(error)};
    }
    return {0, "(nothing thrown)", ""};
}
