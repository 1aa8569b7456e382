// Opening ZIP archives with libzip, keeping the errno of a failure.
#include "Platform/Com/Archive.h"

#include "Platform/Com/ArchiveErrors.h"
#include "Platform/Com/ArchiveFileSource.h"

namespace Platform::Com {

HRESULT openArchive(const std::string& path, int flags, ArchiveHandle& archive, ReplacementCheck check) {
    archive.reset();
    ZipError error;
    zip_source_t* file = makeArchiveFileSource(path, error.get(), std::move(check));
    if (file == nullptr)
        return hresultFromZipError(*error.get());
    zip_t* opened = zip_open_from_source(file, flags, error.get());
    if (opened == nullptr) {
        zip_source_free(file);
        return hresultFromZipError(*error.get());
    }
    archive.reset(opened);
    return S_OK;
}

HRESULT checkArchive(const std::string& path) {
    ArchiveHandle archive;
    const HRESULT opened = openArchive(path, ZIP_RDONLY, archive);
    return opened == HRESULT_FROM_WIN32(ERROR_INVALID_DATA) ? S_FALSE : opened;
}

} // namespace Platform::Com
