// Tests of the DELETE right of CreateFileW: granted exactly where unlink(2) would remove the name.
#include "Platform/Windows.h"

#include "tests/Platform/AsNobody.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace {

// The error of opening `name` with the DELETE right as nobody, then whether nobody's unlink agrees.
struct Answer {
    DWORD error;
    bool unlinked;
};

Answer deleteRightAsNobody(const TempFolder& folder, const std::string& name) {
    const int error = runAsNobody([&] {
        const HANDLE file =
            CreateFileW(folder.win32(name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return static_cast<int>(GetLastError());
        CloseHandle(file);
        return 0;
    });
    const bool unlinked = runAsNobody([&] { return ::unlink(folder.posix(name).c_str()) == 0 ? 0 : 1; }) == 0;
    return {static_cast<DWORD>(error), unlinked};
}

bool setImmutable(const std::string& path, bool on) {
    return std::system(("chattr " + std::string(on ? "+i" : "-i") + " '" + path + "' 2>/dev/null").c_str()) ==
           0;
}

TEST(PlatformNameRemovalTest, DeleteRightFollowsTheFoldersRules) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    struct Case {
        const char* label;
        mode_t folderMode;
        uid_t fileOwner;
        bool immutable;
        DWORD error;
    };
    const Case cases[] = {
        {"another's file in a shared folder", 0777, 0, false, ERROR_SUCCESS},
        {"another's file in a sticky folder", 01777, 0, false, ERROR_ACCESS_DENIED},
        {"one's own file in a sticky folder", 01777, kNobody, false, ERROR_SUCCESS},
        {"a folder one may not write", 0755, kNobody, false, ERROR_ACCESS_DENIED},
        {"an immutable file", 0777, kNobody, true, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        writeFile(folder.posix("file"), "abc");
        ASSERT_EQ(::chown(folder.posix("file").c_str(), c.fileOwner, c.fileOwner), 0);
        ASSERT_EQ(::chmod(folder.path().c_str(), c.folderMode), 0);
        if (c.immutable && !setImmutable(folder.posix("file"), true)) {
            std::cout << c.label << ": skipped, the file system has no immutable files\n";
            continue;
        }
        const Answer answer = deleteRightAsNobody(folder, "file");
        if (c.immutable)
            setImmutable(folder.posix("file"), false);
        EXPECT_EQ(answer.error, c.error) << c.label;
        EXPECT_EQ(answer.unlinked, c.error == ERROR_SUCCESS) << c.label << ": unlink disagrees";
    }
}

} // namespace
