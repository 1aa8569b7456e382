// Adding a file to an archive: open and check the item, add the entry, commit once the new archive reads
// back, then remove a moved item that did not change meanwhile.
#include "Platform/Com/ArchiveUpdate.h"

#include "Platform/Com/Archive.h"
#include "Platform/Com/ArchiveErrors.h"
#include "Platform/Com/DeflateSource.h"
#include "Platform/Com/DosTime.h"
#include "Platform/Com/EntryCheck.h"
#include "Platform/Com/ProgressLine.h"
#include "Platform/Com/ShellPaths.h"
#include "Platform/Interruption.h"
#include "Platform/LastError.h"
#include "Platform/Retried.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>

namespace Platform::Com {

namespace {

constexpr std::chrono::seconds kProgressDelay{1};
// The extended-timestamp extra field: flags (bit 0: modification time follows), then the time
// in seconds since 1970, UTC, as a signed 32-bit little-endian number.
constexpr zip_uint16_t kExtendedTimestampId = 0x5455;
constexpr zip_uint8_t kModificationTimePresent = 0x01;
// The MS-DOS read-only attribute in the low byte of the external attributes.
constexpr zip_uint32_t kDosReadOnly = 0x01;

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

int openForReading(const std::string& path, int extraFlags) {
    return retried([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | extraFlags); });
}

// A socket cannot be opened at all (ENXIO); it is refused as a FIFO is, not as a failing device.
HRESULT openFailure(int error, const std::string& path) {
    struct stat info {};
    if (error == ENXIO && ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    return HRESULT_FROM_WIN32(win32Error(error, path));
}

// Only a regular file can be packed: a folder is refused as Windows refuses to open one as a file, anything
// else as not supported. A FIFO must not block the open.
HRESULT checkItem(const FileDescriptor& item, const std::string& path, struct stat& info) {
    if (item.get() < 0)
        return openFailure(errno, path);
    if (::fstat(item.get(), &info) != 0)
        return hresultFromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    if (!S_ISREG(info.st_mode))
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    return S_OK;
}

// Moving an archive into itself would delete it after the commit; copying it into itself is refused alike.
bool isSameFile(const std::string& archivePath, const struct stat& item) {
    struct stat archive {};
    return ::stat(archivePath.c_str(), &archive) == 0 && archive.st_dev == item.st_dev &&
           archive.st_ino == item.st_ino;
}

HRESULT archiveError(zip_t* archive) {
    return hresultFromZipError(*zip_get_error(archive));
}

// A replaced entry goes away whole (with its comment and extra fields); the new one is added anew.
HRESULT removeEntryNamed(zip_t* archive, const std::string& name) {
    const zip_int64_t existing = locateEntry(archive, name);
    if (existing < 0)
        return S_OK;
    return zip_delete(archive, static_cast<zip_uint64_t>(existing)) == 0 ? S_OK : archiveError(archive);
}

// Unix permissions for Unix readers, the read-only attribute for the others.
HRESULT keepPermissions(zip_t* archive, zip_uint64_t entry, mode_t mode) {
    const zip_uint32_t attributes =
        (static_cast<zip_uint32_t>(mode & 0xFFFF) << 16) | ((mode & S_IWUSR) != 0 ? 0 : kDosReadOnly);
    if (zip_file_set_external_attributes(archive, entry, 0, ZIP_OPSYS_UNIX, attributes) != 0)
        return archiveError(archive);
    return S_OK;
}

// The DOS time of the entry is local and has two-second steps; the extended timestamp keeps the
// exact second for extractors. Times outside its 32-bit range are left to the DOS time.
HRESULT keepModificationTime(zip_t* archive, zip_uint64_t entry, time_t modified) {
    if (modified < std::numeric_limits<std::int32_t>::min() ||
        modified > std::numeric_limits<std::int32_t>::max())
        return S_OK;
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::int32_t>(modified));
    const zip_uint8_t field[] = {
        kModificationTimePresent, static_cast<zip_uint8_t>(seconds), static_cast<zip_uint8_t>(seconds >> 8),
        static_cast<zip_uint8_t>(seconds >> 16), static_cast<zip_uint8_t>(seconds >> 24)};
    if (zip_file_extra_field_set(archive, entry, kExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, field,
                                 sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL) != 0)
        return archiveError(archive);
    return S_OK;
}

// A file of no size that reads nothing; some that report no size hold data (those of /proc).
bool readsNothing(const FileDescriptor& item, const struct stat& info) {
    std::uint8_t byte = 0;
    return info.st_size == 0 && retried([&] { return ::pread(item.get(), &byte, 1, 0); }) == 0;
}

// An empty file is stored, as zip stores it: method 0, no data, version 1.0 needed.
zip_source_t* makeDataSource(zip_t* archive, const FileDescriptor& item, const struct stat& info,
                             ProgressLine& progress, PackedEntry& entry) {
    if (readsNothing(item, info)) {
        entry.method = ZIP_CM_STORE;
        return zip_source_buffer(archive, nullptr, 0, 0);
    }
    entry.method = ZIP_CM_DEFLATE;
    return makeDeflateSource(archive, item.get(), info, progress, entry);
}

HRESULT describeEntry(zip_t* archive, zip_uint64_t entry, const struct stat& info, std::uint16_t method) {
    if (zip_set_file_compression(archive, entry, method, 0) != 0 ||
        zip_file_set_mtime(archive, entry, dosFieldTime(info.st_mtime), 0) != 0)
        return archiveError(archive);
    if (const HRESULT kept = keepPermissions(archive, entry, info.st_mode); FAILED(kept))
        return kept;
    return keepModificationTime(archive, entry, info.st_mtime);
}

// Adds the entry `entry.name` for the item; the rest of `entry` is filled as libzip reads the data.
HRESULT addEntry(zip_t* archive, const FileDescriptor& item, const struct stat& info, ProgressLine& progress,
                 PackedEntry& entry) {
    if (const HRESULT removed = removeEntryNamed(archive, entry.name); FAILED(removed))
        return removed;
    zip_source_t* data = makeDataSource(archive, item, info, progress, entry);
    if (data == nullptr)
        return archiveError(archive);
    const zip_int64_t added = zip_file_add(archive, entry.name.c_str(), data, entryNameEncoding(entry.name));
    if (added < 0) {
        zip_source_free(data);
        return archiveError(archive);
    }
    return describeEntry(archive, static_cast<zip_uint64_t>(added), info, entry.method);
}

// libzip writes the new archive beside the old one, which the archive's source renames over it (see
// ArchiveFileSource), or removes on failure. After success the handle is empty; after a
// failure it still holds the archive, discarded with the handle.
HRESULT commit(ArchiveHandle& archive) {
    if (zip_close(archive.get()) != 0)
        return archiveError(archive.get());
    archive.release();
    return S_OK;
}

// Removes the name only while the run has not been asked to end (the caller then puts back what it
// changed) and while it still names the file that was packed, unchanged since it was read:
// another program may have written to it or put another file in its place meanwhile (nothing locks
// it). Otherwise the item stays, and the new archive holds it as it was read.
HRESULT removeItem(const FileDescriptor& item, const std::string& itemPath, const struct stat& packed) {
    if (interruption() != 0)
        return hresultFromErrno(ECANCELED);
    int error = 0;
    if (hasChangedSince(item.get(), packed, error))
        return error != 0 ? hresultFromErrno(error) : HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
    struct stat named {};
    if (::stat(itemPath.c_str(), &named) != 0)
        return hresultFromErrno(errno);
    if (named.st_dev != packed.st_dev || named.st_ino != packed.st_ino)
        return HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
    return ::unlink(itemPath.c_str()) == 0 ? S_OK : hresultFromErrno(errno);
}

} // namespace

HRESULT addFileToArchive(const std::string& archivePath, const std::string& itemPath, Transfer transfer,
                         bool showProgress) {
    const FileDescriptor item(openForReading(itemPath, O_NONBLOCK));
    struct stat info {};
    if (const HRESULT checked = checkItem(item, itemPath, info); FAILED(checked))
        return checked;
    if (isSameFile(archivePath, info))
        return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    ProgressLine progress(showProgress ? STDERR_FILENO : -1, kProgressDelay,
                          static_cast<std::uint64_t>(info.st_size));
    PackedEntry entry;
    entry.name = fileNameOf(itemPath);
    // The new archive replaces the old one only when it reads back with the entry as it was handed over.
    const ReplacementCheck readsBack = [&entry](const std::string& written) {
        return checkEntryReadsBack(written, entry);
    };
    ArchiveHandle archive;
    if (const HRESULT opened = openArchive(archivePath, 0, archive, readsBack); FAILED(opened))
        return opened;
    if (const HRESULT added = addEntry(archive.get(), item, info, progress, entry); FAILED(added))
        return added;
    if (const HRESULT committed = commit(archive); FAILED(committed))
        return committed;
    return transfer == Transfer::Move ? removeItem(item, itemPath, info) : S_OK;
}

} // namespace Platform::Com
