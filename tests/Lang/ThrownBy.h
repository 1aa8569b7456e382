// Test helper: what a call throws, as its message and the function part of its location.
#pragma once

#include "Lang/Exception.h"

#include <ostream>
#include <string>

struct Thrown {
    std::string message;
    std::string function;
    bool operator==(const Thrown&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Thrown& thrown) {
    return out << '"' << thrown.message << "\" at " << thrown.function;
}

// The text after " : " in a location; the whole location when it has none. Function names are ASCII.
inline std::string locationFunction(const Lang::Exception& error) {
    const std::u16string location = error.getLocation();
    const std::size_t separator = location.find(u" : ");
    const std::size_t start = separator == std::u16string::npos ? 0 : separator + 3;
    return std::string(location.begin() + static_cast<std::ptrdiff_t>(start), location.end());
}

template <class Exception = Lang::Exception, class Call>
Thrown thrownBy(Call call) {
    try {
        call();
    } catch (const Exception& error) {
        return {error.what(), locationFunction(error)};
    }
    return {"(nothing thrown)", ""};
}
