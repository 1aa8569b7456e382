// The noted interruption: one lock-free atomic, written by a signal handler, read by any thread.
#include "Platform/Interruption.h"

#include <atomic>

namespace Platform {

namespace {

std::atomic<int> noted{0};
static_assert(std::atomic<int>::is_always_lock_free);

} // namespace

// The first signal is the one that ended the run; a second one (during the clean-up) changes nothing.
void noteInterruption(int signal) noexcept {
    int none = 0;
    noted.compare_exchange_strong(none, signal, std::memory_order_relaxed);
}

int interruption() noexcept {
    return noted.load(std::memory_order_relaxed);
}

} // namespace Platform
