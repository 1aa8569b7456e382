// The exception for a failed runtime-library call, with a readable text for its errno value.
#include "Lang/ErrnoException.h"

#include "Lang/ErrnoText.h"
#include "Lang/StringCast.h"

namespace Lang {

ErrnoException::ErrnoException(const String& message, int errnoValue)
    : Exception(unknownException(), unknownLocation()) {
    // Stored directly: an empty message still reads ": " + the text, never "(null message)".
    m_message = Xtl::string_cast<std::string>(message + u": " + errnoText(errnoValue));
}

} // namespace Lang
