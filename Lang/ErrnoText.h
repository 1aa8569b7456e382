// Readable texts for the runtime library's errno values (Microsoft numbering).
#pragma once

#include "Lang/String.h"

namespace Lang {

// The text for `errnoValue`: a title, for most values followed by an explanation; "Unknown Errno"
// for a value without one.
String errnoText(int errnoValue);

} // namespace Lang
