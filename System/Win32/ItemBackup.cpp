// A second name for a file being moved into an archive, so that it can be put back when the move fails.
#include "System/Win32/ItemBackup.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/Win32/TemporaryName.h"
#include "Win32/Exception.h"

namespace System::Win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t combined(DWORD high, DWORD low) {
    return std::uint64_t{high} << 32 | low;
}

} // namespace

ItemBackup::ItemBackup(const Path& item) : m_item(item), m_state(stateOf(item)) {
    checkRemovable();
    m_backup = createUnderTemporaryName(item.getParent(), [this](const Path& name) { return link(name); });
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
    if (!m_linked)
        return;
    // Written to through a descriptor kept open after its name went: the data since would be lost.
    const DWORD error = stateOf(m_backup) != m_state          ? ERROR_SHARING_VIOLATION
                        : DeleteFileW(m_backup.str().c_str()) ? ERROR_SUCCESS
                                                              : GetLastError();
    if (error == ERROR_SUCCESS)
        return;
    MoveFileExW(m_backup.str().c_str(), m_item.str().c_str(), 0);
    throw ::Win32::Exception(error, LANG_LOCATION());
}

// A link refused for any other reason than the name (no hard links here, or not for this user) leaves the
// file without a second name.
bool ItemBackup::link(const Path& name) {
    m_linked = CreateHardLinkW(name.str().c_str(), m_item.str().c_str(), nullptr) != FALSE;
    return m_linked || GetLastError() != ERROR_ALREADY_EXISTS;
}

void ItemBackup::checkRemovable() const {
    const HANDLE file =
        CreateFileW(m_item.str().c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw ::Win32::Exception(GetLastError(), LANG_LOCATION());
    CloseHandle(file);
}

void ItemBackup::checkUnchanged() const {
    const std::optional<FileState> now = stateOf(m_item);
    if (!now)
        throw ::Win32::Exception(GetLastError(), LANG_LOCATION());
    if (now != m_state)
        throw ::Win32::Exception(ERROR_SHARING_VIOLATION, LANG_LOCATION());
}

void ItemBackup::removeItem() {
    m_done = true;
    checkUnchanged();
    if (!DeleteFileW(m_item.str().c_str()))
        throw ::Win32::Exception(GetLastError(), LANG_LOCATION());
}

std::optional<ItemBackup::FileState> ItemBackup::stateOf(const Path& path) noexcept {
    const std::optional<BY_HANDLE_FILE_INFORMATION> information = fileInformation(path);
    if (!information)
        return std::nullopt;
    return FileState{
        identityOf(*information), combined(information->nFileSizeHigh, information->nFileSizeLow),
        combined(information->ftLastWriteTime.dwHighDateTime, information->ftLastWriteTime.dwLowDateTime)};
}

bool ItemBackup::stillAtItsName() const noexcept {
    if (!m_state)
        return !m_moved;
    const std::optional<FileState> now = stateOf(m_item);
    return now && now->identity == m_state->identity;
}

// The file still has its own name: the second one holds nothing more, even when it cannot be removed.
void ItemBackup::removeSecondName() noexcept {
    if (m_linked)
        DeleteFileW(m_backup.str().c_str());
}

} // namespace System::Win32
