// The noted interruption: one lock-free atomic, written by a signal handler, read by any thread.
#include "Platform/Interruption.h"

#include <atomic>

namespace Platform {

namespace {

std::atomic<int> noted{0};
static_assert(std::atomic<int>::is_always_lock_free);

} // namespace

void noteInterruption(int signal) noexcept {
    noted.store(signal, std::memory_order_relaxed);
}

int interruption() noexcept {
    return noted.load(std::memory_order_relaxed);
}

} // namespace Platform
