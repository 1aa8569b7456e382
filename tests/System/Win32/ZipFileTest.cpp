// Tests of the zip operation on real files through the shell of the COM layer.
#include "System/Win32/ZipFile.h"

#include "tests/Lang/ThrownBy.h"
#include "tests/Platform/TempFolder.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/System/Win32/Snapshot.h"
#include "tests/ZipEntries.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using System::Path;
using System::Win32::ZipFile;

TEST(ZipFileTest, CopyKeepsTheItemAndMoveTakesIt) {
    for (const bool move : {false, true}) {
        TemporaryFolder folder;
        folder.write(u"a.txt", "data");
        folder.write(u"a.txt.zip", "old");
        ZipFile::zip(folder.path(u"a.txt.zip"), folder.path(u"a.txt"), move);
        const auto entries = readZipEntries(folder.posix(u"a.txt.zip").c_str());
        ASSERT_TRUE(entries) << move;
        ASSERT_EQ(entries->size(), 1u) << move;
        EXPECT_EQ(entries->front().name, "a.txt") << move;
        EXPECT_EQ(entries->front().content, "data") << move;
        Snapshot left = snapshotOf(folder.posix());
        left.erase("a.txt.zip");
        EXPECT_EQ(left, (move ? Snapshot{} : Snapshot{{"a.txt", "data"}})) << move;
    }
}

// Relative paths, so that every row names the same texts whatever the temporary folder is called.
TEST(ZipFileTest, FailuresLeaveEveryFileAsItWas) {
    const struct {
        const char* name;
        Snapshot files;
        const char16_t* item;
        bool move;
        const char* message;
    } cases[] = {
        {"missing item", {{"a.txt.zip", "old"}}, u"a.txt", false, "Invalid zip file: <folder>\\a.txt"},
        {"missing item, move", {{"a.txt.zip", "old"}}, u"a.txt", true, "Invalid zip file: <folder>\\a.txt"},
        {"folder as item", {{"dir", "<folder>"}}, u"dir", false, "Invalid zip file: <folder>\\dir"},
        {"no item", {{"a.txt", "data"}}, u"", false, "Invalid zip file: <folder>"},
        {"archive name is a folder",
         {{"a.txt", "data"}, {"a.txt.zip", "<folder>"}},
         u"a.txt",
         false,
         "Access is denied.\r\n"},
        {"archive name is a folder, move",
         {{"a.txt", "data"}, {"a.txt.zip", "<folder>"}},
         u"a.txt",
         true,
         "Access is denied.\r\n"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        for (const auto& [name, content] : c.files) {
            if (content == "<folder>")
                std::filesystem::create_directory(folder.posix(name));
            else
                writeFile(folder.posix(name), content);
        }
        const ScopedWorkingDirectory inFolder(folder.path());
        const Lang::String item(c.item);
        const Thrown thrown = thrownBy([&] { ZipFile::zip(Path(item + u".zip"), Path(item), c.move); });
        std::string message = c.message;
        if (const std::size_t at = message.find("<folder>"); at != std::string::npos)
            message.replace(at, 8, toUtf8(win32Text(folder.path())));
        EXPECT_EQ(thrown.message, message) << c.name;
        EXPECT_EQ(snapshotOf(folder.path()), c.files) << c.name;
    }
}

// A missing item, and an item that is a second name of the archive, are refused by the operation.
TEST(ZipFileTest, RefusedItemsNameTheOperation) {
    TemporaryFolder folder;
    folder.write(u"a.txt.zip", "old");
    std::filesystem::create_hard_link(folder.posix(u"a.txt.zip"), folder.posix(u"b.txt"));
    for (const char16_t* item : {u"a.txt", u"b.txt"})
        EXPECT_EQ(
            thrownBy([&] { ZipFile::zip(folder.path(u"a.txt.zip"), folder.path(item), false); }).function,
            "System::Win32::ZipFile::zip");
}

} // namespace
