// The trace step of the throw protocol.
#include "Lang/Throw.h"

#include "Lang/StringCast.h"
#include "Lang/Trace.h"

namespace Lang {

void traceThrow(const String& location, const char16_t* throwing) {
    traceWide(location, u"%ls%ls", location.c_str(), throwing);
}

void traceThrow(const std::string& location, const char* throwing) {
    trace(Xtl::string_cast<String>(location), "%s%s", location.c_str(), throwing);
}

} // namespace Lang
