// The process-wide trace sink: silent, it drops every line unless a trace observer is watching.
#include "Lang/TraceSink.h"

#include "Lang/TraceObserver.h"

namespace Lang {

TraceSink& TraceSink::instance() {
    static TraceSink sink;
    return sink;
}

void TraceSink::write(const std::string& line) {
    TraceObserver::notify(line);
}

void TraceSink::write(const std::u16string& line) {
    TraceObserver::notify(line);
}

} // namespace Lang
