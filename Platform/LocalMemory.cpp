// LocalAlloc and LocalFree: fixed blocks from the C heap, as FormatMessageW hands them out.
#include "Platform/LastError.h"

#include <algorithm>
#include <cstdlib>

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~LMEM_ZEROINIT) != LMEM_FIXED) {
        Platform::failWith(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A request for no bytes still gives a block of its own, as on Windows.
    const SIZE_T size = std::max<SIZE_T>(bytes, 1);
    void* memory = (flags & LMEM_ZEROINIT) != 0 ? std::calloc(1, size) : std::malloc(size);
    if (memory == nullptr) {
        Platform::failWith(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Platform::succeed();
    return memory;
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    Platform::succeed();
    return nullptr;
}
