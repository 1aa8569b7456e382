// Tests of the per-thread last error and the mapping from errno values to Win32 codes.
#include "Platform/LastError.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <new>
#include <thread>

namespace {

using Platform::win32Error;

TEST(PlatformLastErrorTest, EachThreadHasItsOwn) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOtherThread = 1;
    std::thread other([&] {
        seenByOtherThread = GetLastError();
        SetLastError(ERROR_DISK_FULL);
    });
    other.join();
    EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(PlatformLastErrorTest, ErrnoValuesMapToWin32Codes) {
    struct Case {
        int errnoValue;
        DWORD expected;
    };
    const Case cases[] = {
        {0, ERROR_SUCCESS},
        {ENOENT, ERROR_FILE_NOT_FOUND},
        {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED},
        {EISDIR, ERROR_ACCESS_DENIED},
        {EROFS, ERROR_ACCESS_DENIED},
        {EEXIST, ERROR_FILE_EXISTS},
        {ENOSPC, ERROR_DISK_FULL},
        {EDQUOT, ERROR_DISK_FULL},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {EBADF, ERROR_INVALID_HANDLE},
        {EINVAL, ERROR_INVALID_PARAMETER},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {EIO, ERROR_IO_DEVICE},
        {EBUSY, ERROR_BUSY},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
        {EXDEV, ERROR_NOT_SAME_DEVICE},
        {ETXTBSY, ERROR_SHARING_VIOLATION},
        {EFBIG, ERROR_FILE_TOO_LARGE},
        {ESPIPE, ERROR_SEEK_ON_DEVICE},
        {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
        {EUCLEAN, ERROR_FILE_CORRUPT},
        {EFAULT, ERROR_NOACCESS},
        {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED},
        {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
        {EHOSTDOWN, ERROR_GEN_FAILURE},
        {-1, ERROR_GEN_FAILURE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win32Error(c.errnoValue), c.expected) << "errno " << c.errnoValue;
    }
}

TEST(PlatformLastErrorTest, MissingNameOrMissingFolder) {
    TempFolder folder;
    writeFile(folder.posix("file"), "x");
    ASSERT_EQ(::mkdir(folder.posix("dir").c_str(), 0755), 0);
    struct Case {
        std::string path;
        DWORD expected;
    };
    const Case cases[] = {
        {folder.posix("missing"), ERROR_FILE_NOT_FOUND},
        {folder.posix("dir/missing"), ERROR_FILE_NOT_FOUND},
        {folder.posix("dir/missing/"), ERROR_FILE_NOT_FOUND},
        {folder.posix("missing/x"), ERROR_PATH_NOT_FOUND},
        {folder.posix("missing/x/y"), ERROR_PATH_NOT_FOUND},
        {folder.posix("file/x"), ERROR_PATH_NOT_FOUND},
        {"relative-name-in-working-directory", ERROR_FILE_NOT_FOUND},
        {"/", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win32Error(ENOENT, c.path), c.expected) << c.path;
    }
    EXPECT_EQ(win32Error(EACCES, folder.posix("missing/x")), ERROR_ACCESS_DENIED);
}

TEST(PlatformLastErrorTest, FailureHelpersSetTheLastError) {
    EXPECT_EQ(Platform::failWith(ERROR_BUSY), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_EQ(Platform::succeed(), TRUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    const int result = Platform::guarded(-1, []() -> int { throw std::bad_alloc(); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

} // namespace
