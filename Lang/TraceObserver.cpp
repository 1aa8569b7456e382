// A seam on the trace sink: while an observer exists, it sees every line the sink receives.
#include "Lang/TraceObserver.h"

namespace Lang {

namespace {

// The observer constructed last of those still alive.
TraceObserver* installedObserver = nullptr;

} // namespace

TraceObserver::TraceObserver() : m_previous(installedObserver) {
    if (m_previous != nullptr)
        m_previous->m_next = this;
    installedObserver = this;
}

TraceObserver::~TraceObserver() {
    if (m_previous != nullptr)
        m_previous->m_next = m_next;
    if (m_next != nullptr)
        m_next->m_previous = m_previous;
    else
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
