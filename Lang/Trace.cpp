// The trace operations: format one line and hand it to the trace sink.
#include "Lang/Trace.h"

#include "Lang/FormatString.h"
#include "Lang/TraceSink.h"

#include <cstdarg>

namespace Lang {
namespace {

// Ends a started argument list on every way out, exceptions included.
class ArgumentListEnd {
public:
    explicit ArgumentListEnd(va_list& arguments) : m_arguments(arguments) {}
    ~ArgumentListEnd() { va_end(m_arguments); }
    ArgumentListEnd(const ArgumentListEnd&) = delete;
    ArgumentListEnd& operator=(const ArgumentListEnd&) = delete;

private:
    va_list& m_arguments;
};

} // namespace

void trace(const String& /*source*/, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const ArgumentListEnd end(arguments);
    const std::string line = formatString(format, arguments);
    TraceSink::instance().write(line);
}

void traceWide(const String& /*source*/, const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const ArgumentListEnd end(arguments);
    const std::u16string line = formatWideString(format, arguments);
    TraceSink::instance().write(line);
}

} // namespace Lang
