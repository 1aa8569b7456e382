// The one checked step from an index into a Lang::String to a pointer range over its units.
#pragma once

#include "Lang/String.h"

namespace Lang {

// A range of code units: the first and one past the last.
struct UnitRange {
    const char16_t* first;
    const char16_t* end;
};

// The units of `text` from `index` to its end. The index is checked before any pointer is formed:
// an index past the end throws the codecs' std::range_error for `operation`, with the (negative)
// count of units available there, so an index of npos never turns into data() - 1.
UnitRange unitsFrom(const String& text, std::size_t index, const char* operation);

} // namespace Lang
