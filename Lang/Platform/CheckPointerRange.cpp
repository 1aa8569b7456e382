// Builds the message of the codecs' range error.
#include "Lang/Platform/CheckPointerRange.h"

#include <sstream>
#include <stdexcept>

namespace Lang::Platform {

void throwPointerRangeError(const char* operation, const char* typeName, std::ptrdiff_t required,
                            std::ptrdiff_t available) {
    std::ostringstream message;
    message << "Invalid pointer range passed to " << operation << ": type=" << typeName
            << ", required=" << required << ", available=" << available;
    throw std::range_error(message.str());
}

} // namespace Lang::Platform
