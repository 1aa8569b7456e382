// Tests of the HRESULTs given for libzip's errors.
#include "Platform/Com/ArchiveErrors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using Platform::Com::hresultFromZipError;

TEST(PlatformComArchiveErrorsTest, ZipErrorsBecomeWin32Causes) {
    const struct {
        int zipError;
        int systemError;
        DWORD expected;
    } cases[] = {
        {ZIP_ER_NOENT, 0, ERROR_FILE_NOT_FOUND},      {ZIP_ER_OPEN, ENOENT, ERROR_FILE_NOT_FOUND},
        {ZIP_ER_OPEN, EACCES, ERROR_ACCESS_DENIED},   {ZIP_ER_TMPOPEN, EACCES, ERROR_ACCESS_DENIED},
        {ZIP_ER_TMPOPEN, EROFS, ERROR_ACCESS_DENIED}, {ZIP_ER_WRITE, ENOSPC, ERROR_DISK_FULL},
        {ZIP_ER_WRITE, EDQUOT, ERROR_DISK_FULL},      {ZIP_ER_WRITE, EIO, ERROR_IO_DEVICE},
        {ZIP_ER_READ, EIO, ERROR_IO_DEVICE},          {ZIP_ER_RENAME, EXDEV, ERROR_NOT_SAME_DEVICE},
        {ZIP_ER_READ, 0, ERROR_READ_FAULT},           {ZIP_ER_WRITE, 0, ERROR_WRITE_FAULT},
        {ZIP_ER_MEMORY, 0, ERROR_NOT_ENOUGH_MEMORY},  {ZIP_ER_NOZIP, 0, ERROR_INVALID_DATA},
        {ZIP_ER_INCONS, 0, ERROR_INVALID_DATA},       {ZIP_ER_CRC, 0, ERROR_INVALID_DATA},
        {ZIP_ER_EOF, 0, ERROR_INVALID_DATA},          {ZIP_ER_ZLIB, -3, ERROR_INVALID_DATA},
        {ZIP_ER_RDONLY, 0, ERROR_ACCESS_DENIED},      {ZIP_ER_INUSE, 0, ERROR_SHARING_VIOLATION},
        {ZIP_ER_CHANGED, 0, ERROR_SHARING_VIOLATION},
    };
    for (const auto& c : cases) {
        zip_error_t error;
        zip_error_init(&error);
        zip_error_set(&error, c.zipError, c.systemError);
        EXPECT_EQ(hresultFromZipError(error), HRESULT_FROM_WIN32(c.expected))
            << "libzip error " << c.zipError << ", system error " << c.systemError;
        zip_error_fini(&error);
    }
}

TEST(PlatformComArchiveErrorsTest, LibzipsOwnFaultsAreUnspecified) {
    for (const int zipError : {ZIP_ER_INTERNAL, ZIP_ER_INVAL, ZIP_ER_CANCELLED}) {
        zip_error_t error;
        zip_error_init(&error);
        zip_error_set(&error, zipError, 0);
        EXPECT_EQ(hresultFromZipError(error), E_FAIL) << "libzip error " << zipError;
        zip_error_fini(&error);
    }
}

} // namespace
