// Tests of the temporary archive beside the destination: its record, its name, and what is left.
#include "System/Win32/TemporaryArchive.h"

#include "tests/System/TemporaryFolder.h"
#include "tests/System/Win32/Snapshot.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using System::Win32::TemporaryArchive;

TEST(TemporaryArchiveTest, ReplacesTheDestinationOnlyWhenCommitted) {
    enum class End { Drop, Keep, Commit };
    const Win32Thrown nothing{0, "(nothing thrown)", ""};
    const struct {
        const char* name;
        End end;
        bool folderInTheWay;
        Win32Thrown thrown;
        Snapshot after;
    } cases[] = {
        {"dropped", End::Drop, false, nothing, {{"a.zip", "old"}}},
        {"kept", End::Keep, false, nothing, {{"a.zip", "old"}, {"zipfile-*.tmp", kEmptyArchive}}},
        {"committed", End::Commit, false, nothing, {{"a.zip", kEmptyArchive}}},
        {"committed over a folder",
         End::Commit,
         true,
         {5, kAccessDeniedText, "System::Win32::TemporaryArchive::commit"},
         {{"a.zip", "<folder>"}, {"a.zip/old", "old"}}},
    };
    for (const auto& c : cases) {
        TemporaryFolder folder;
        if (c.folderInTheWay)
            std::filesystem::create_directory(folder.posix(u"a.zip"));
        folder.write(c.folderInTheWay ? u"a.zip\\old" : u"a.zip", "old");
        const Snapshot before = snapshotOf(folder.posix());
        {
            TemporaryArchive archive(folder.path(u"a.zip"));
            Snapshot expected = before;
            expected.emplace("zipfile-*.tmp", kEmptyArchive);
            EXPECT_EQ(snapshotOf(folder.posix()), expected) << c.name;
            EXPECT_EQ(archive.path().getParent().str(), folder.path().str()) << c.name;
            if (c.end == End::Keep)
                archive.keep();
            if (c.end == End::Commit) {
                EXPECT_EQ(win32ThrownBy([&archive] { archive.commit(); }), c.thrown) << c.name;
            }
        }
        EXPECT_EQ(snapshotOf(folder.posix()), c.after) << c.name;
    }
}

TEST(TemporaryArchiveTest, ArchivesForTheSameDestinationDoNotMeet) {
    TemporaryFolder folder;
    const TemporaryArchive first(folder.path(u"a.zip"));
    const TemporaryArchive second(folder.path(u"a.zip"));
    EXPECT_NE(first.path().str(), second.path().str());
    const std::filesystem::directory_iterator files(folder.posix());
    EXPECT_EQ(std::distance(begin(files), end(files)), 2);
}

} // namespace
