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

// The index of the entry named `name` (a POSIX name, UTF-8), or -1: the name as stored, byte for byte,
// or else as libzip decodes the names other writers store in code page 437.
zip_int64_t locateEntry(zip_t* archive, const std::string& name);

// The encoding flag for adding an entry named `name`. libzip marks a name UTF-8 only when it holds no
// control other than TAB, CR and LF, and refuses to add any other as UTF-8; such a name is stored as
// it is, without the mark, as zip stores it.
zip_flags_t entryNameEncoding(const std::string& name);

} // namespace Platform::Com
