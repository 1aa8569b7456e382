// System calls repeated while a signal interrupts them.
#pragma once

#include <cerrno>

namespace Platform::Com {

// The result of `call()`, called again while it fails with EINTR.
template <typename Call>
auto retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace Platform::Com
