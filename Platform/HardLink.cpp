// CreateHardLinkW: a second name for an existing file.
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <unistd.h>

#include <cerrno>

BOOL CreateHardLinkW(LPCWSTR fileName, LPCWSTR existingFileName, SECURITY_ATTRIBUTES* securityAttributes) {
    return Platform::guarded(FALSE, [&] {
        if (securityAttributes != nullptr)
            return Platform::failWith(ERROR_INVALID_PARAMETER);
        const auto existing = Platform::toPosixPath(existingFileName);
        const auto link = existing ? Platform::toPosixPath(fileName) : std::nullopt;
        if (!existing || !link)
            return FALSE;
        if (::link(existing->c_str(), link->c_str()) != 0)
            return Platform::failWith(errno == EEXIST ? ERROR_ALREADY_EXISTS
                                                      : Platform::win32Error(errno, *link));
        return Platform::succeed();
    });
}
