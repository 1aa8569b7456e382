// Tests of the second name that lets a file moved into an archive be put back.
#include "System/Win32/ItemBackup.h"

#include "tests/System/TemporaryFolder.h"
#include "tests/System/Win32/Snapshot.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using System::Win32::ItemBackup;

TEST(ItemBackupTest, PutsAMovedFileBackUnlessTheMoveIsComplete) {
    enum class End { Destroy, Restore, Release };
    const struct {
        const char* name;
        bool moved;
        bool nameTakenSince;
        End end;
        bool restored;
        Snapshot after;
    } cases[] = {
        {"not moved", false, false, End::Destroy, true, {{"a.txt", "data"}}},
        {"not moved, released", false, false, End::Release, true, {{"a.txt", "data"}}},
        {"moved, then the object ends", true, false, End::Destroy, true, {{"a.txt", "data"}}},
        {"moved, restored", true, false, End::Restore, true, {{"a.txt", "data"}}},
        {"moved, released", true, false, End::Release, true, {}},
        {"moved, and a new file took the name",
         true,
         true,
         End::Restore,
         false,
         {{"a.txt", "new"}, {"a.txt.*.tmp", "data"}}},
    };
    for (const auto& c : cases) {
        TemporaryFolder folder;
        folder.write(u"a.txt", "data");
        {
            ItemBackup backup(folder.path(u"a.txt"));
            if (c.moved) {
                std::filesystem::remove(folder.posix(u"a.txt"));
                backup.itemMoved();
            }
            if (c.nameTakenSince)
                folder.write(u"a.txt", "new");
            if (c.end == End::Restore) {
                EXPECT_EQ(backup.restore(), c.restored) << c.name;
            }
            if (c.end == End::Release)
                backup.release();
        }
        EXPECT_EQ(snapshotOf(folder.posix()), c.after) << c.name;
    }
}

} // namespace
