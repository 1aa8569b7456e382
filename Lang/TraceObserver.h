// A seam on the trace sink: while an observer exists, it sees every line the sink receives.
#pragma once

#include <string>

namespace Lang {

// Derive and construct one to watch trace lines (tests do); with none, the sink stays silent.
class TraceObserver {
public:
    TraceObserver(const TraceObserver&) = delete;
    TraceObserver& operator=(const TraceObserver&) = delete;

    // Hands `line` to the observer constructed last, if there is one.
    static void notify(const std::string& line);
    static void notify(const std::u16string& line);

protected:
    // Installs this observer over the ones before it; its destruction unlinks it, in any order.
    TraceObserver();
    virtual ~TraceObserver();

private:
    virtual void observe(const std::string& line) = 0;
    virtual void observe(const std::u16string& line) = 0;

    // The observers form a chain in order of construction; the last one sees the lines.
    TraceObserver* m_previous;
    TraceObserver* m_next = nullptr;
};

} // namespace Lang
