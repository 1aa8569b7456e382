// A second name for a file being moved into an archive, so that it can be put back when the move fails.
#pragma once

#include "System/Path.h"
#include "System/Win32/FileInformation.h"

#include <cstdint>
#include <optional>

namespace System::Win32 {

// The shell removes a moved file once its own archive is complete, but the zip operation still has to
// put that archive in place, durably. Until it has, the file keeps a second name beside it
// ("zipfile-<hex>.tmp", a hard link: no data is copied; see createUnderTemporaryName). Where no second
// name can be made (a file system without hard links, or another user's file where the system protects
// hard links), nothing could put the file back once the shell had removed it: then the file is packed as
// a copy and its name removed with
// removeItem() once the archive is in place.
class ItemBackup {
public:
    // Throws Win32::Exception (access denied) when the file's name may not be removed: a move that cannot
    // end is not begun, and no second name is made that could not be removed either.
    explicit ItemBackup(const Path& item);
    ItemBackup(const ItemBackup&) = delete;
    ItemBackup& operator=(const ItemBackup&) = delete;
    // Puts the file back unless release(), restore() or removeItem() was called.
    ~ItemBackup();

    bool hasSecondName() const { return m_linked; }

    // Throws Win32::Exception unless the file's name still names the same file with the size and write
    // time it had when the backup was made (a sharing violation for a file changed or replaced meanwhile).
    void checkUnchanged() const;

    // The archive holding the file is in place: the file's name goes, but only while checkUnchanged()
    // holds. Otherwise the file stays and Win32::Exception tells why.
    void removeItem();

    // The shell has moved the file into its archive and removed it. Counts only where the file's
    // identity could not be read; otherwise the name itself shows whether the file is still there.
    void itemMoved() { m_moved = true; }

    // The move failed: a file no longer at its name gets it back (never replacing a file put there
    // since), and the second name goes. A shell may take the file and still report a failure, and
    // another file may take the free name before the move is seen, so the name is looked at rather
    // than the shell's word trusted. False when the file could not be put back.
    bool restore() noexcept;

    // The move is complete: the second name goes, but only while the file is as it was when the backup was
    // made; otherwise (written to through a descriptor kept open), or when the name cannot be removed, the
    // file gets its name back and Win32::Exception tells why.
    void release();

private:
    // A file's identity with its size and last write time, which show whether it was written to.
    struct FileState {
        FileIdentity identity;
        std::uint64_t size;
        std::uint64_t written;
        bool operator==(const FileState&) const = default;
    };

    static std::optional<FileState> stateOf(const Path& path) noexcept;
    // Makes `name` the file's second name; false when another file has that name.
    bool link(const Path& name);
    void checkRemovable() const;
    bool stillAtItsName() const noexcept;
    void removeSecondName() noexcept;

    Path m_item;
    std::optional<FileState> m_state;
    Path m_backup;
    bool m_linked = false;
    bool m_moved = false;
    bool m_done = false;
};

} // namespace System::Win32
