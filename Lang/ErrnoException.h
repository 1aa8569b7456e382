// The exception for a failed runtime-library call, with a readable text for its errno value.
#pragma once

#include "Lang/Exception.h"

namespace Lang {

// Reads `message` + ": " + the errno text; the errno value itself is not kept.
class ErrnoException : public Exception {
public:
    ErrnoException(const String& message, int errnoValue);
};

} // namespace Lang
