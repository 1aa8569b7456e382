// Test helper shared by all suites: UTF-16 text as readable ASCII for failure messages, other units
// as \uXXXX.
#pragma once

#include "Lang/String.h"

#include <cstdio>
#include <string>

inline std::string printable(const Lang::String& text) {
    std::string result;
    for (const char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) {
            result += static_cast<char>(unit);
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
        result += escape;
    }
    return result;
}
