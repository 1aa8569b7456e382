// The counter behind every handle value of the stand-ins.
#include "Platform/HandleTable.h"

#include <atomic>

namespace Platform {

std::uintptr_t nextHandleValue() {
    static std::atomic<std::uintptr_t> next{0};
    return next.fetch_add(4, std::memory_order_relaxed) + 4;
}

} // namespace Platform
