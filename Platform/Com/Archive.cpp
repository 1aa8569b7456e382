// Opening ZIP archives with libzip, keeping the errno of a failure.
#include "Platform/Com/Archive.h"

#include "Platform/Com/ArchiveErrors.h"
#include "Platform/Com/ArchiveFileSource.h"

#include <algorithm>

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

// libzip's own lookup keys names as it decodes them, even when asked for the raw name, so a stored name
// with a control character (decoded from code page 437 as an arrow, say) is found only by a scan.
zip_int64_t locateEntry(zip_t* archive, const std::string& name) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        const char* stored = zip_get_name(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        if (stored != nullptr && name == stored)
            return index;
    }
    return zip_name_locate(archive, name.c_str(), ZIP_FL_ENC_GUESS);
}

zip_flags_t entryNameEncoding(const std::string& name) {
    const bool hasOtherControl = std::any_of(name.begin(), name.end(), [](char c) {
        return c > 0 && c < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    return hasOtherControl ? ZIP_FL_ENC_RAW : ZIP_FL_ENC_UTF_8;
}

} // namespace Platform::Com
