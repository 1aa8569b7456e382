// Tests of the directory iterator on real folders: patterns, dot entries, files given as folders, sizes.
#include "System/DirectoryIterator.h"

#include "tests/Lang/ThrownBy.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

using System::DirectoryIterator;
using System::Path;

using Names = std::vector<Lang::String>;

// The names from the iterator's position to its end, sorted.
Names remainingNames(DirectoryIterator& iterator) {
    Names names;
    for (; !iterator.atEnd(); iterator.next())
        names.push_back(iterator.getName());
    std::sort(names.begin(), names.end());
    return names;
}

class DirectoryIteratorTest : public testing::Test {
protected:
    DirectoryIteratorTest() {
        folder.write(u"a.txt", "aaa");
        folder.write(u"b.txt", "bb");
        folder.write(u"\U0001F600 \u00E9.bin", "e");
        std::filesystem::create_directory(folder.posix(u"sub"));
    }

    TemporaryFolder folder;
};

TEST_F(DirectoryIteratorTest, PatternsSelectEntriesWithoutDotEntries) {
    const struct {
        Lang::String pattern;
        Names expected;
    } cases[] = {
        {u"*", {u"a.txt", u"b.txt", u"sub", u"\U0001F600 \u00E9.bin"}},
        {u"*.txt", {u"a.txt", u"b.txt"}},
        {u"b.*", {u"b.txt"}},
        {u"none*", {}},
        {u"sub\\*", {}},
    };
    for (const auto& c : cases) {
        DirectoryIterator iterator(folder.path(), c.pattern);
        EXPECT_EQ(remainingNames(iterator), c.expected) << toUtf8(c.pattern);
    }
}

TEST_F(DirectoryIteratorTest, AFileGivenAsFolderFindsItself) {
    DirectoryIterator iterator(folder.path(u"a.txt"), Lang::String());
    EXPECT_EQ(iterator.getName(), u"a.txt");
    EXPECT_EQ(iterator.getEntryPath().toString(), folder.path(u"a.txt").toString());
    EXPECT_EQ(iterator.getSize(), 3u);
    iterator.next();
    EXPECT_TRUE(iterator.atEnd());
    iterator.next();
    EXPECT_TRUE(iterator.atEnd());
    EXPECT_EQ(iterator.getName(), u"");
}

TEST_F(DirectoryIteratorTest, SizesAreReadOncePerEntry) {
    DirectoryIterator iterator(folder.path(), u"*.txt");
    for (; !iterator.atEnd(); iterator.next()) {
        const std::uintmax_t size = std::filesystem::file_size(folder.posix(iterator.getName()));
        EXPECT_EQ(iterator.getSize(), size);
        std::filesystem::remove(folder.posix(iterator.getName()));
        EXPECT_EQ(iterator.getSize(), size) << "read again after the entry was removed";
    }
}

TEST_F(DirectoryIteratorTest, AFolderEntryCannotBeOpenedForItsSize) {
    DirectoryIterator iterator(folder.path(), u"sub");
    EXPECT_EQ(win32ThrownBy([&] { iterator.getSize(); }),
              (Win32Thrown{5, kAccessDeniedText, "Win32::IoHandle::open"}));
}

TEST_F(DirectoryIteratorTest, AMissingFolderIsNoDirectory) {
    const Path missing = folder.path(u"missing");
    EXPECT_EQ(thrownBy([&] { DirectoryIterator(missing, u"*"); }),
              (Thrown{toUtf8(missing.str()) + " is not a directory!",
                      "System::DirectoryIteratorImpl::DirectoryIteratorImpl"}));
}

TEST_F(DirectoryIteratorTest, AnEmptyFolderStandsForTheWorkingDirectory) {
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(folder.posix());
    DirectoryIterator iterator(Path(), u"a.txt");
    EXPECT_EQ(iterator.getEntryPath().toString(), u"a.txt");
    EXPECT_EQ(iterator.getSize(), 3u);
    std::filesystem::current_path(start);
    EXPECT_TRUE(DirectoryIterator(Path(), Lang::String()).atEnd());
}

TEST(DirectoryIteratorEmptyTest, AnEmptyFolderStartsAtItsEnd) {
    TemporaryFolder folder;
    EXPECT_TRUE(DirectoryIterator(folder.path(), u"*").atEnd());
}

} // namespace
