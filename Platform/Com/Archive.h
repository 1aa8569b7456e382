// ZIP archives opened with libzip, held by a handle that discards unsaved changes.
#pragma once

#include "Platform/Com/ArchiveFileSource.h"
#include "Platform/Windows.h"

#include <zip.h>

#include <memory>
#include <string>

namespace Platform::Com {

// A libzip error record that is released when it goes out of scope.
class ZipError {
public:
    ZipError() { zip_error_init(&m_error); }
    ~ZipError() { zip_error_fini(&m_error); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;

    zip_error_t* get() { return &m_error; }

private:
    zip_error_t m_error;
};

struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveDiscard>;

// Opens the archive at the POSIX path `path` with libzip's open flags (ZIP_RDONLY, ...); S_OK, or
// the HRESULT of the cause and an empty handle. A new archive written on commit replaces the old one
// only when `check` accepts it.
HRESULT openArchive(const std::string& path, int flags, ArchiveHandle& archive, ReplacementCheck check = {});

// S_OK when libzip opens the file at `path` as an archive, S_FALSE when the file is none, or the
// HRESULT of the cause that kept it from being read.
HRESULT checkArchive(const std::string& path);

} // namespace Platform::Com
