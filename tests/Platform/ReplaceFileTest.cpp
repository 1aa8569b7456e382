// Tests of ReplaceFileW on real files: the replaced file's permissions and group carry over, and a file
// that may not be written, or is missing, is not replaced.
#include "Platform/Windows.h"

#include "tests/Platform/AsNobody.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

constexpr gid_t kSomeGroup = 4242;

struct Outcome {
    DWORD error;
    mode_t mode;
    gid_t group;
};

Outcome replaceIn(const TempFolder& folder, bool asNobody) {
    const auto replace = [&] {
        const BOOL replaced = ReplaceFileW(folder.win32("old").c_str(), folder.win32("new").c_str(), nullptr,
                                           REPLACEFILE_WRITE_THROUGH, nullptr, nullptr);
        return static_cast<int>(replaced ? ERROR_SUCCESS : GetLastError());
    };
    const DWORD error = static_cast<DWORD>(asNobody ? runAsNobody(replace) : replace());
    struct stat status {};
    ::stat(folder.posix("old").c_str(), &status);
    return {error, status.st_mode & 07777, status.st_gid};
}

TEST(PlatformReplaceFileTest, KeepsTheReplacedFilesPermissionsOrRefuses) {
    struct Case {
        const char* label;
        mode_t oldMode; // 0: there is no old file
        bool setGroup;  // the old file belongs to another group than its owner's
        bool asNobody;  // both files belong to nobody, and the call runs as nobody
        Outcome expected;
        bool linked = false; // "old" is a link to a file of that mode
    };
    const bool root = ::geteuid() == 0;
    const Case cases[] = {
        {"private", 0600, false, false, {ERROR_SUCCESS, 0600, 0}},
        {"shared with its group", 0640, true, false, {ERROR_SUCCESS, 0640, kSomeGroup}},
        {"set-id bits are not carried", 06755, false, false, {ERROR_SUCCESS, 0755, 0}},
        {"read-only to its owner", 0444, false, true, {ERROR_ACCESS_DENIED, 0444, 65534}},
        {"missing", 0, false, false, {ERROR_FILE_NOT_FOUND, 0, 0}},
        {"a link in its place keeps the new file's own", 0600, true, false, {ERROR_SUCCESS, 0666, 0}, true},
    };
    for (const Case& c : cases) {
        if ((c.setGroup || c.asNobody) && !root)
            continue;
        TempFolder folder;
        writeFile(folder.posix("new"), "new");
        ASSERT_EQ(::chmod(folder.posix("new").c_str(), 0666), 0);
        const std::string target = c.linked ? "target" : "old";
        if (c.oldMode != 0) {
            writeFile(folder.posix(target), "old");
            ASSERT_EQ(::chmod(folder.posix(target).c_str(), c.oldMode), 0) << c.label;
        }
        if (c.linked) {
            ASSERT_EQ(::symlink(target.c_str(), folder.posix("old").c_str()), 0);
        }
        if (c.setGroup) {
            ASSERT_EQ(::chown(folder.posix(target).c_str(), -1, kSomeGroup), 0) << c.label;
        }
        if (c.asNobody) {
            ASSERT_EQ(::chown(folder.path().c_str(), 65534, 65534), 0);
            ASSERT_EQ(::chown(folder.posix("old").c_str(), 65534, 65534), 0);
            ASSERT_EQ(::chown(folder.posix("new").c_str(), 65534, 65534), 0);
        }
        const Outcome outcome = replaceIn(folder, c.asNobody);
        EXPECT_EQ(outcome.error, c.expected.error) << c.label;
        const bool replaced = outcome.error == ERROR_SUCCESS;
        EXPECT_EQ(readFile(folder.posix("new")), replaced ? "" : "new") << c.label;
        if (c.oldMode != 0) {
            EXPECT_EQ(readFile(folder.posix("old")), replaced ? "new" : "old") << c.label;
            EXPECT_EQ(outcome.mode, c.expected.mode) << c.label;
            EXPECT_EQ(outcome.group, c.expected.group) << c.label;
        }
    }
}

std::string accessListOf(const std::string& path) {
    std::string list(256, '\0');
    const ssize_t size = ::getxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size());
    return size < 0 ? "" : list.substr(0, static_cast<std::size_t>(size));
}

// Root replacing another user's file keeps its owner, so the user can still read it; an access list with a
// named user goes over whole, so the group gains nothing.
TEST(PlatformReplaceFileTest, KeepsTheOwnerAndTheAccessList) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to another user";
    TempFolder folder;
    writeFile(folder.posix("old"), "old");
    writeFile(folder.posix("new"), "new");
    ASSERT_EQ(::chown(folder.posix("old").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(folder.posix("old").c_str(), 0640), 0);
    const bool withList =
        std::system(("setfacl -m u:65534:rw '" + folder.posix("old") + "' 2>/dev/null").c_str()) == 0;
    const std::string list = accessListOf(folder.posix("old"));
    ASSERT_TRUE(
        ReplaceFileW(folder.win32("old").c_str(), folder.win32("new").c_str(), nullptr, 0, nullptr, nullptr));
    struct stat status {};
    ASSERT_EQ(::stat(folder.posix("old").c_str(), &status), 0);
    EXPECT_EQ(readFile(folder.posix("old")), "new");
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
    EXPECT_EQ(status.st_mode & 0777, withList ? 0660u : 0640u) << "the group bits show the list's mask";
    EXPECT_EQ(accessListOf(folder.posix("old")), list);
    if (!withList)
        GTEST_SKIP() << "setfacl is not installed, or the file system has no access lists";
}

TEST(PlatformReplaceFileTest, ArgumentsItDoesNotOfferAreRefused) {
    TempFolder folder;
    writeFile(folder.posix("old"), "old");
    writeFile(folder.posix("new"), "new");
    int reserved = 0;
    EXPECT_FALSE(ReplaceFileW(folder.win32("old").c_str(), folder.win32("new").c_str(),
                              folder.win32("b").c_str(), 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReplaceFileW(folder.win32("old").c_str(), folder.win32("new").c_str(), nullptr, 0x2, nullptr,
                              nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReplaceFileW(folder.win32("old").c_str(), folder.win32("new").c_str(), nullptr, 0, &reserved,
                              nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(readFile(folder.posix("old")), "old");
}

} // namespace
