// A second name for a file being moved into an archive, so that it can be put back when the move fails.
#include "System/Win32/ItemBackup.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/FileSystem.h"
#include "System/Win32/UnusedName.h"
#include "Win32/Exception.h"

namespace System::Win32 {

ItemBackup::ItemBackup(const Path& item) : m_item(item), m_backup(unusedName(item)) {
    m_linked = CreateHardLinkW(m_backup.str().c_str(), m_item.str().c_str(), nullptr) != FALSE;
}

ItemBackup::~ItemBackup() {
    if (!m_done)
        restore();
}

bool ItemBackup::restore() noexcept {
    m_done = true;
    if (!m_linked)
        return FileSystem::instance().exists(m_item);
    return putBack();
}

void ItemBackup::release() {
    m_done = true;
    if (!m_linked || DeleteFileW(m_backup.str().c_str()))
        return;
    const DWORD error = GetLastError();
    putBack();
    throw ::Win32::Exception(error, LANG_LOCATION());
}

// The second name becomes the file's name again, never replacing a file of that name; when the file
// still has its name, the second one is simply removed.
bool ItemBackup::putBack() noexcept {
    try {
        if (FileSystem::instance().exists(m_item)) {
            // A second name that cannot be removed holds nothing the file does not.
            DeleteFileW(m_backup.str().c_str());
            return true;
        }
        return MoveFileExW(m_backup.str().c_str(), m_item.str().c_str(), 0) != FALSE;
    } catch (...) {
        return false;
    }
}

} // namespace System::Win32
