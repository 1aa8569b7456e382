// A seam on the trace sink: while an observer exists, it sees every line the sink receives.
#include "Lang/TraceObserver.h"

namespace Lang {

namespace {

TraceObserver* installedObserver = nullptr;

} // namespace

TraceObserver::TraceObserver() : m_previous(installedObserver) {
    installedObserver = this;
}

TraceObserver::~TraceObserver() {
    installedObserver = m_previous;
}

void TraceObserver::notify(const std::string& line) {
    if (installedObserver != nullptr)
        installedObserver->observe(line);
}

void TraceObserver::notify(const std::u16string& line) {
    if (installedObserver != nullptr)
        installedObserver->observe(line);
}

} // namespace Lang
