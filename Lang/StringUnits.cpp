// The checked step from an index into a Lang::String to a pointer range over its units.
#include "Lang/StringUnits.h"

#include "Lang/Platform/CheckPointerRange.h"

#include <algorithm>
#include <limits>

namespace Lang {

namespace {

// How far `index` lies past the end of a text of `size` units, as a negative count; npos and other
// indexes too far off for a signed count saturate.
std::ptrdiff_t unitsAvailable(std::size_t size, std::size_t index) {
    constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());
    return -static_cast<std::ptrdiff_t>(std::min(index - size, kMax));
}

} // namespace

UnitRange unitsFrom(const String& text, std::size_t index, const char* operation) {
    if (index > text.size())
        Platform::throwPointerRangeError(operation, Platform::ElementTypeName<char16_t>::value, 1,
                                         unitsAvailable(text.size(), index));
    return {text.data() + index, text.data() + text.size()};
}

} // namespace Lang
