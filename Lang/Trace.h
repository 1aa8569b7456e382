// Trace lines: formatted and handed to the process-wide trace sink.
#pragma once

#include "Lang/String.h"

namespace Lang {

// Formats the arguments after `format` into one line for the trace sink; `source` is not read.
void trace(const String& source, const char* format, ...);
void traceWide(const String& source, const char16_t* format, ...);

} // namespace Lang
