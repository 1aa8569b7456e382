// The information of a named file, read through a handle that asks for no access.
#include "System/Win32/FileInformation.h"

namespace System::Win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

std::optional<BY_HANDLE_FILE_INFORMATION> fileInformation(const Path& path) noexcept {
    const HANDLE file = CreateFileW(path.str().c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    const bool read = GetFileInformationByHandle(file, &information) != FALSE;
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) {
        SetLastError(error);
        return std::nullopt;
    }
    return information;
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

} // namespace System::Win32
