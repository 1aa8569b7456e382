// System calls repeated while a signal interrupts them: the one retry rule of the stand-ins.
#pragma once

#include <cerrno>

namespace Platform {

// The result of `call()`, called again while it fails with EINTR.
template <typename Call>
auto retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace Platform
