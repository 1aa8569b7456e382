// Tests of the second name that lets a file moved into an archive be put back.
#include "System/Win32/ItemBackup.h"
#include "Win32/Exception.h"

#include "tests/System/TemporaryFolder.h"
#include "tests/System/Win32/Snapshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using System::Win32::ItemBackup;

TEST(ItemBackupTest, PutsAMovedFileBackUnlessTheMoveIsComplete) {
    enum class End { Destroy, Restore, Release };
    const struct {
        const char* name;
        bool taken;    // the shell has removed the file
        bool reported; // and itemMoved() says so
        bool nameTakenSince;
        End end;
        bool restored;
        Snapshot after;
        bool writtenThrough = false; // after it was taken, through a descriptor opened before
    } cases[] = {
        {"not taken", false, false, false, End::Destroy, true, {{"a.txt", "data"}}},
        {"not taken, released", false, false, false, End::Release, true, {{"a.txt", "data"}}},
        {"taken, then the object ends", true, true, false, End::Destroy, true, {{"a.txt", "data"}}},
        {"taken, restored", true, true, false, End::Restore, true, {{"a.txt", "data"}}},
        {"taken, released", true, true, false, End::Release, true, {}},
        {"taken, and a new file took the name",
         true,
         true,
         true,
         End::Restore,
         false,
         {{"a.txt", "new"}, {"zipfile-*.tmp", "data"}}},
        {"taken unreported", true, false, false, End::Restore, true, {{"a.txt", "data"}}},
        {"taken unreported, and a new file took the name",
         true,
         false,
         true,
         End::Restore,
         false,
         {{"a.txt", "new"}, {"zipfile-*.tmp", "data"}}},
        {"taken unreported, then the object ends",
         true,
         false,
         true,
         End::Destroy,
         false,
         {{"a.txt", "new"}, {"zipfile-*.tmp", "data"}}},
        {"taken, written to through an open descriptor, released",
         true,
         true,
         false,
         End::Release,
         true,
         {{"a.txt", "data, and more"}},
         true},
    };
    for (const auto& c : cases) {
        TemporaryFolder folder;
        folder.write(u"a.txt", "data");
        std::ofstream open(folder.posix(u"a.txt"), std::ios::app);
        {
            ItemBackup backup(folder.path(u"a.txt"));
            if (c.taken)
                std::filesystem::remove(folder.posix(u"a.txt"));
            if (c.writtenThrough)
                open << ", and more" << std::flush;
            if (c.reported)
                backup.itemMoved();
            if (c.nameTakenSince)
                folder.write(u"a.txt", "new");
            if (c.end == End::Restore) {
                EXPECT_EQ(backup.restore(), c.restored) << c.name;
            }
            if (c.end == End::Release && c.writtenThrough) {
                EXPECT_THROW(backup.release(), Win32::Exception) << c.name;
            } else if (c.end == End::Release) {
                backup.release();
            }
        }
        EXPECT_EQ(snapshotOf(folder.posix()), c.after) << c.name;
    }
}

} // namespace
