// A second name for a file being moved into an archive, so that it can be put back when the move fails.
#include "System/Win32/ItemBackup.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/Win32/UnusedName.h"
#include "Win32/Exception.h"

namespace System::Win32 {

ItemBackup::ItemBackup(const Path& item)
    : m_item(item), m_backup(unusedName(item)), m_identity(identityOf(item)) {
    m_linked = CreateHardLinkW(m_backup.str().c_str(), m_item.str().c_str(), nullptr) != FALSE;
}

ItemBackup::~ItemBackup() {
    if (!m_done)
        restore();
}

bool ItemBackup::restore() noexcept {
    m_done = true;
    if (stillAtItsName()) {
        removeSecondName();
        return true;
    }
    return m_linked && MoveFileExW(m_backup.str().c_str(), m_item.str().c_str(), 0) != FALSE;
}

void ItemBackup::release() {
    m_done = true;
    if (!m_linked || DeleteFileW(m_backup.str().c_str()))
        return;
    const DWORD error = GetLastError();
    MoveFileExW(m_backup.str().c_str(), m_item.str().c_str(), 0);
    throw ::Win32::Exception(error, LANG_LOCATION());
}

std::optional<ItemBackup::FileIdentity> ItemBackup::identityOf(const Path& path) noexcept {
    const HANDLE file =
        CreateFileW(path.str().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    const bool read = GetFileInformationByHandle(file, &information) != FALSE;
    CloseHandle(file);
    if (!read)
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                        information.nFileIndexLow};
}

bool ItemBackup::stillAtItsName() const noexcept {
    if (!m_identity)
        return !m_moved;
    return identityOf(m_item) == m_identity;
}

// The file still has its own name: the second one holds nothing more, even when it cannot be removed.
void ItemBackup::removeSecondName() noexcept {
    if (m_linked)
        DeleteFileW(m_backup.str().c_str());
}

} // namespace System::Win32
