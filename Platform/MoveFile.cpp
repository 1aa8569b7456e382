// MoveFileExW: renaming a file in one step, optionally durable before the call returns.
#include "Platform/DurableRename.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

constexpr DWORD kSupportedFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

} // namespace

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
    return Platform::guarded(FALSE, [&] {
        if ((flags & ~kSupportedFlags) != 0)
            return Platform::failWith(ERROR_INVALID_PARAMETER);
        const auto from = Platform::toPosixPath(existingFileName);
        const auto to = from ? Platform::toPosixPath(newFileName) : std::nullopt;
        if (!from || !to)
            return FALSE;
        if (const DWORD error = Platform::renameFile(*from, *to, (flags & MOVEFILE_REPLACE_EXISTING) != 0,
                                                     (flags & MOVEFILE_WRITE_THROUGH) != 0);
            error != ERROR_SUCCESS)
            return Platform::failWith(error);
        return Platform::succeed();
    });
}
