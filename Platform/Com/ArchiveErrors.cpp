// The HRESULTs of libzip's errors and of errno values.
#include "Platform/Com/ArchiveErrors.h"

#include "Platform/LastError.h"

#include <algorithm>
#include <iterator>

namespace Platform::Com {

namespace {

struct ZipErrorRow {
    int zipError;
    DWORD error;
};

constexpr ZipErrorRow kZipErrorRows[] = {
    {ZIP_ER_OK, ERROR_SUCCESS},
    {ZIP_ER_NOENT, ERROR_FILE_NOT_FOUND},
    {ZIP_ER_EXISTS, ERROR_FILE_EXISTS},
    {ZIP_ER_MEMORY, ERROR_NOT_ENOUGH_MEMORY},
    {ZIP_ER_RDONLY, ERROR_ACCESS_DENIED},
    {ZIP_ER_INUSE, ERROR_SHARING_VIOLATION},
    {ZIP_ER_CHANGED, ERROR_SHARING_VIOLATION},
    {ZIP_ER_OPNOTSUPP, ERROR_NOT_SUPPORTED},
    {ZIP_ER_READ, ERROR_READ_FAULT},
    {ZIP_ER_WRITE, ERROR_WRITE_FAULT},
    {ZIP_ER_OPEN, ERROR_IO_DEVICE},
    {ZIP_ER_TMPOPEN, ERROR_IO_DEVICE},
    {ZIP_ER_SEEK, ERROR_IO_DEVICE},
    {ZIP_ER_TELL, ERROR_IO_DEVICE},
    {ZIP_ER_CLOSE, ERROR_IO_DEVICE},
    {ZIP_ER_RENAME, ERROR_IO_DEVICE},
    {ZIP_ER_REMOVE, ERROR_IO_DEVICE},
    {ZIP_ER_MULTIDISK, ERROR_INVALID_DATA},
    {ZIP_ER_CRC, ERROR_INVALID_DATA},
    {ZIP_ER_ZLIB, ERROR_INVALID_DATA},
    {ZIP_ER_COMPNOTSUPP, ERROR_INVALID_DATA},
    {ZIP_ER_EOF, ERROR_INVALID_DATA},
    {ZIP_ER_NOZIP, ERROR_INVALID_DATA},
    {ZIP_ER_INCONS, ERROR_INVALID_DATA},
    {ZIP_ER_ENCRNOTSUPP, ERROR_INVALID_DATA},
    {ZIP_ER_COMPRESSED_DATA, ERROR_INVALID_DATA},
};

} // namespace

HRESULT hresultFromErrno(int errnoValue) {
    return HRESULT_FROM_WIN32(win32Error(errnoValue));
}

HRESULT hresultFromZipError(const zip_error_t& error) {
    const int systemError = zip_error_code_system(&error);
    if (zip_error_system_type(&error) == ZIP_ET_SYS && systemError != 0)
        return hresultFromErrno(systemError);
    const int zipError = zip_error_code_zip(&error);
    const auto row =
        std::find_if(std::begin(kZipErrorRows), std::end(kZipErrorRows),
                     [zipError](const ZipErrorRow& candidate) { return candidate.zipError == zipError; });
    return row == std::end(kZipErrorRows) ? E_FAIL : HRESULT_FROM_WIN32(row->error);
}

} // namespace Platform::Com
