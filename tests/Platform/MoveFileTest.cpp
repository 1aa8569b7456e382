// Tests of MoveFileExW on real files: replacing in one step, refusing, and what is never touched.
#include "Platform/Windows.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(PlatformMoveFileTest, RenamesOrRefusesAsTheFlagsSay) {
    struct Case {
        const char* label;
        const char* from;
        const char* to;
        DWORD flags;
        DWORD error; // ERROR_SUCCESS: the move happens
    };
    const Case cases[] = {
        {"new name", "file", "moved", 0, ERROR_SUCCESS},
        {"replace a file", "file", "other", MOVEFILE_REPLACE_EXISTING, ERROR_SUCCESS},
        {"replace durably", "file", "other", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH,
         ERROR_SUCCESS},
        {"durably into a linked folder", "file", "linked/moved", MOVEFILE_WRITE_THROUGH, ERROR_SUCCESS},
        {"keep an existing file", "file", "other", 0, ERROR_ALREADY_EXISTS},
        {"a folder in the way", "file", "dir", MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
        {"missing source", "missing", "moved", MOVEFILE_REPLACE_EXISTING, ERROR_FILE_NOT_FOUND},
        {"missing target folder", "file", "nowhere/moved", 0, ERROR_PATH_NOT_FOUND},
        {"copying is not offered", "file", "moved", MOVEFILE_COPY_ALLOWED, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        addFileAndFolder(folder);
        writeFile(folder.posix("other"), "other");
        ASSERT_EQ(::symlink("dir", folder.posix("linked").c_str()), 0);
        const BOOL moved = MoveFileExW(folder.win32(c.from).c_str(), folder.win32(c.to).c_str(), c.flags);
        EXPECT_EQ(GetLastError(), c.error) << c.label;
        EXPECT_EQ(moved != FALSE, c.error == ERROR_SUCCESS) << c.label;
        if (moved) {
            EXPECT_EQ(readFile(folder.posix(c.to)), "abc") << c.label;
            EXPECT_NE(::access(folder.posix(c.from).c_str(), F_OK), 0) << c.label;
        } else if (c.error != ERROR_FILE_NOT_FOUND) {
            EXPECT_EQ(readFile(folder.posix(c.from)), "abc") << c.label;
            EXPECT_EQ(readFile(folder.posix("other")), "other") << c.label;
        }
    }
}

TEST(PlatformMoveFileTest, ReplacesASymbolicLinkNotItsTarget) {
    TempFolder folder;
    addFileAndFolder(folder);
    writeFile(folder.posix("target"), "target");
    ASSERT_EQ(::symlink("target", folder.posix("link").c_str()), 0);
    ASSERT_TRUE(MoveFileExW(folder.win32("file").c_str(), folder.win32("link").c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readFile(folder.posix("link")), "abc");
    EXPECT_EQ(readFile(folder.posix("target")), "target");
}

} // namespace
