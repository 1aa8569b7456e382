// ZIP archives opened with libzip, held by a handle that discards unsaved changes.
#pragma once

#include "Platform/Com/ArchiveFileSource.h"
#include "Platform/Windows.h"

#include <zip.h>

#include <memory>
#include <string>

namespace Platform::Com {

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
