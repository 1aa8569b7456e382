// Tests of the file-system queries on real files: kinds, deletion, the working directory, file sizes.
#include "System/FileSystem.h"

#include "tests/Lang/ThrownBy.h"
#include "tests/System/AsUnprivilegedUser.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using System::Path;

class FileSystemTest : public testing::Test {
protected:
    ~FileSystemTest() override { std::filesystem::current_path(m_startDirectory); }

    const System::FileSystem& fileSystem = System::FileSystem::instance();
    TemporaryFolder folder;

private:
    std::filesystem::path m_startDirectory = std::filesystem::current_path();
};

Thrown notAFile(const Path& path) {
    return {"Failed to get size: Not a file: in path string \"" + toUtf8(path.str()) + "\"",
            "System::FileSystem::getFileSize"};
}

TEST_F(FileSystemTest, KindsOfNames) {
    folder.write(u"a.txt", "a");
    folder.write(u" lead.txt", "a");
    folder.write(u"\U0001F600.txt", "a");
    std::filesystem::create_directory(folder.posix(u"r\u00E9sum\u00E9"));
    const struct {
        Path path;
        bool exists, isFile, isDirectory;
    } cases[] = {
        {Path(), true, false, true},
        {folder.path(), true, false, true},
        {folder.path(u"a.txt"), true, true, false},
        {folder.path(u" lead.txt"), true, true, false},
        {folder.path(u"\U0001F600.txt"), true, true, false},
        {folder.path(u"r\u00E9sum\u00E9"), true, false, true},
        {folder.path(u"missing"), false, false, false},
        {folder.path(u"a.txt\\below"), false, false, false},
        {Path(u"C:\\Windows"), false, false, false},
    };
    for (const auto& c : cases) {
        const std::string row = toUtf8(c.path.str());
        EXPECT_EQ(fileSystem.exists(c.path), c.exists) << row;
        EXPECT_EQ(fileSystem.isFile(c.path), c.isFile) << row;
        EXPECT_EQ(fileSystem.isDirectory(c.path), c.isDirectory) << row;
    }
}

TEST_F(FileSystemTest, DeletesFilesAndIgnoresMissingOnes) {
    folder.write(u"\u65E5\u672C.txt", "a");
    fileSystem.deleteFile(folder.path(u"\u65E5\u672C.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.posix(u"\u65E5\u672C.txt")));
    fileSystem.deleteFile(folder.path(u"missing"));
}

TEST_F(FileSystemTest, DeletingAFolderIsDenied) {
    std::filesystem::create_directory(folder.posix(u"sub"));
    EXPECT_EQ(win32ThrownBy([&] { fileSystem.deleteFile(folder.path(u"sub")); }),
              (Win32Thrown{5, kAccessDeniedText, "System::FileSystem::deleteFile"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.posix(u"sub")));
    EXPECT_EQ(win32ThrownBy([&] { fileSystem.deleteFile(Path()); }).function,
              "System::FileSystem::deleteFile");
}

TEST_F(FileSystemTest, DeletingInAReadOnlyFolderIsDenied) {
    std::filesystem::create_directory(folder.posix(u"locked"));
    folder.write(u"locked\\a.txt", "a");
    std::filesystem::permissions(folder.posix(), std::filesystem::perms::all);
    std::filesystem::permissions(folder.posix(u"locked"), std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec |
                                                              std::filesystem::perms::others_read |
                                                              std::filesystem::perms::others_exec);
    expectAsUnprivilegedUser(
        [&] { return win32ThrownBy([&] { fileSystem.deleteFile(folder.path(u"locked\\a.txt")); }); },
        Win32Thrown{5, kAccessDeniedText, "System::FileSystem::deleteFile"});
    std::filesystem::permissions(folder.posix(u"locked"), std::filesystem::perms::owner_all);
}

TEST_F(FileSystemTest, WorkingDirectoryIsReadWholeAtAnyLength) {
    std::filesystem::path deep = folder.posix();
    for (int level = 0; level < 8; ++level)
        deep /= std::string(40, static_cast<char>('a' + level));
    std::filesystem::create_directories(deep);
    for (const std::filesystem::path& directory : {folder.posix(), deep}) {
        std::filesystem::current_path(directory);
        EXPECT_EQ(fileSystem.getWorkingDirectory().toString(), win32Text(directory.string()))
            << directory.string().size() << " characters";
    }
}

TEST_F(FileSystemTest, RemovedWorkingDirectoryFails) {
    std::filesystem::create_directory(folder.posix(u"gone"));
    std::filesystem::current_path(folder.posix(u"gone"));
    std::filesystem::remove(folder.posix(u"gone"));
    EXPECT_EQ(win32ThrownBy([&] { fileSystem.getWorkingDirectory(); }).function,
              "System::FileSystem::getWorkingDirectory");
}

TEST_F(FileSystemTest, SizesOfFiles) {
    folder.write(u"empty", "");
    folder.write(u"record.zip", std::string(22, '\0'));
    folder.write(u"sparse", "");
    std::filesystem::resize_file(folder.posix(u"sparse"), 5ULL << 30);
    EXPECT_EQ(fileSystem.getFileSize(folder.path(u"empty")), 0u);
    EXPECT_EQ(fileSystem.getFileSize(folder.path(u"record.zip")), 22u);
    EXPECT_EQ(fileSystem.getFileSize(folder.path(u"sparse")), 5ULL << 30);
}

TEST_F(FileSystemTest, SizesOfNamesThatTrimmingWouldChange) {
    std::filesystem::create_directory(folder.posix(u"dir"));
    std::filesystem::create_directory(folder.posix(u"dir "));
    const Lang::String names[] = {u"dir\\lead.txt", u"dir\\ lead.txt", u"dir\\trail.txt", u"dir\\trail.txt ",
                                  u"dir\\q.txt",    u"dir\\'q.txt'",   u"dir\\a.txt",     u"dir \\a.txt"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        folder.write(names[i], std::string(i + 1, 'x'));
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(fileSystem.getFileSize(folder.path(names[i])), i + 1) << toUtf8(names[i]);
}

TEST_F(FileSystemTest, SizeOfWhatIsNoFileFails) {
    std::filesystem::create_directory(folder.posix(u"sub"));
    for (const Path& path : {Path(), folder.path(u"sub"), folder.path(u"missing")})
        EXPECT_EQ(thrownBy<Path::Exception>([&] { fileSystem.getFileSize(path); }), notAFile(path));
}

} // namespace
