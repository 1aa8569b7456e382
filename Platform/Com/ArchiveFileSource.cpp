// The archive file as a libzip source: positional reads of the file, and its replacement written
// beside it and renamed over it on commit (not synced: see commitWrite).
#include "Platform/Com/ArchiveFileSource.h"

#include "Platform/Com/Zip64Fields.h"
#include "Platform/Com/ZipSourceBase.h"
#include "Platform/Interruption.h"
#include "Platform/Retried.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>
#include <string_view>

namespace Platform::Com {

namespace {

constexpr mode_t kNewArchiveMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr int kNameAttempts = 100;

// "zipfile-<eight random letters or digits>.tmp" in the folder of `path`: as short whatever the archive's
// name (the creation refuses a name taken meanwhile).
std::string replacementName(const std::string& path) {
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = path.substr(0, path.rfind('/') + 1) + "zipfile-";
    std::uint8_t bytes[8] = {};
    if (::getrandom(bytes, sizeof bytes, 0) < 0)
        return name + "replacement.tmp";
    for (const std::uint8_t byte : bytes)
        name += kLetters[byte % kLetters.size()];
    return name + ".tmp";
}

bool closeChecked(int& descriptor) {
    const int result = ::close(descriptor);
    descriptor = -1;
    return result == 0 || errno == EINTR;
}

class ArchiveFileSource final : public ZipSourceBase {
public:
    ArchiveFileSource(std::string path, ReplacementCheck check)
        : m_path(std::move(path)), m_check(std::move(check)) {}

    ~ArchiveFileSource() override {
        closeReading();
        discardReplacement();
    }

private:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) override {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE | zip_source_make_command_bitmap(ZIP_SOURCE_ACCEPT_EMPTY, -1);
        case ZIP_SOURCE_ACCEPT_EMPTY:
            return 0; // an empty file is not an archive
        case ZIP_SOURCE_OPEN:
            return open();
        case ZIP_SOURCE_READ:
            return read(static_cast<std::uint8_t*>(data), length);
        case ZIP_SOURCE_CLOSE:
            closeReading();
            return 0;
        case ZIP_SOURCE_STAT:
            return stat(data, length);
        case ZIP_SOURCE_SEEK:
            return seek(data, length);
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(m_readOffset);
        case ZIP_SOURCE_BEGIN_WRITE:
            return beginWrite();
        case ZIP_SOURCE_WRITE:
            return write(static_cast<const std::uint8_t*>(data), length);
        case ZIP_SOURCE_SEEK_WRITE:
            return seekWrite(data, length);
        case ZIP_SOURCE_TELL_WRITE:
            return tellWrite();
        case ZIP_SOURCE_COMMIT_WRITE:
            return commitWrite();
        case ZIP_SOURCE_ROLLBACK_WRITE:
            discardReplacement();
            return 0;
        case ZIP_SOURCE_REMOVE:
            return ::unlink(m_path.c_str()) == 0 ? 0 : failWithErrno(ZIP_ER_REMOVE);
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t failWithErrno(int zipError) { return fail(zipError, errno); }

    zip_int64_t open() {
        closeReading();
        m_reading = retried([&] { return ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC); });
        if (m_reading < 0)
            return failWithErrno(ZIP_ER_OPEN);
        m_readOffset = 0;
        return 0;
    }

    void closeReading() {
        if (m_reading >= 0)
            ::close(m_reading);
        m_reading = -1;
    }

    zip_int64_t read(std::uint8_t* out, zip_uint64_t length) {
        const ssize_t count =
            retried([&] { return ::pread(m_reading, out, length, static_cast<off_t>(m_readOffset)); });
        if (count < 0)
            return failWithErrno(ZIP_ER_READ);
        m_readOffset += static_cast<std::uint64_t>(count);
        return count;
    }

    // The open file when there is one, else the name: libzip reads "no such file" as no archive yet.
    bool statFile(struct stat& info) const {
        return (m_reading >= 0 ? ::fstat(m_reading, &info) : ::stat(m_path.c_str(), &info)) == 0;
    }

    zip_int64_t stat(void* data, zip_uint64_t length) {
        auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, error());
        if (status == nullptr)
            return -1;
        struct stat info {};
        if (!statFile(info))
            return failWithErrno(ZIP_ER_READ);
        zip_stat_init(status);
        status->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        status->size = static_cast<zip_uint64_t>(info.st_size);
        status->mtime = info.st_mtime;
        return sizeof(zip_stat_t);
    }

    zip_int64_t seek(void* data, zip_uint64_t length) {
        struct stat info {};
        if (!statFile(info))
            return failWithErrno(ZIP_ER_SEEK);
        const zip_int64_t offset = zip_source_seek_compute_offset(
            m_readOffset, static_cast<zip_uint64_t>(info.st_size), data, length, error());
        if (offset < 0)
            return -1;
        m_readOffset = static_cast<std::uint64_t>(offset);
        return 0;
    }

    // The replacement is a new file with a random name beside the archive, created exclusively; it gets the
    // old file's permissions, or those of any new file under the umask.
    zip_int64_t beginWrite() {
        discardReplacement();
        std::string name;
        int created = -1;
        for (int attempt = 0; attempt < kNameAttempts && created < 0; ++attempt) {
            name = replacementName(m_path);
            created = retried(
                [&] { return ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kNewArchiveMode); });
            if (created < 0 && errno != EEXIST)
                break;
        }
        if (created < 0)
            return failWithErrno(ZIP_ER_TMPOPEN);
        m_writing = created;
        m_replacement = std::move(name);
        return keepPermissions() ? 0 : failReplacement(ZIP_ER_TMPOPEN);
    }

    bool keepPermissions() const {
        struct stat info {};
        return !statFile(info) || ::fchmod(m_writing, info.st_mode & kPermissionBits) == 0;
    }

    zip_int64_t write(const std::uint8_t* data, zip_uint64_t length) {
        zip_uint64_t written = 0;
        while (written < length) {
            const ssize_t count =
                retried([&] { return ::write(m_writing, data + written, length - written); });
            if (count < 0)
                return failWithErrno(ZIP_ER_WRITE);
            written += static_cast<zip_uint64_t>(count);
        }
        return static_cast<zip_int64_t>(written);
    }

    zip_int64_t seekWrite(void* data, zip_uint64_t length) {
        const auto* where = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, error());
        if (where == nullptr)
            return -1;
        if (::lseek(m_writing, static_cast<off_t>(where->offset), where->whence) < 0)
            return failWithErrno(ZIP_ER_SEEK);
        return 0;
    }

    zip_int64_t tellWrite() {
        const off_t offset = ::lseek(m_writing, 0, SEEK_CUR);
        return offset < 0 ? failWithErrno(ZIP_ER_TELL) : static_cast<zip_int64_t>(offset);
    }

    // The new file takes the old one's name once complete and read back; on a failure it goes and the old
    // file stays as it was. Neither the file nor the rename is synced here: the archive is always written
    // over a staged one that only this run reads, and the zip operation's write-through rename of that
    // name over FILE.zip syncs the file first and the folder after. A crash before then leaves FILE.zip
    // as it was, whatever became of the names here.
    zip_int64_t commitWrite() {
        if (!completeZip64Fields(m_writing) || !closeChecked(m_writing))
            return failReplacement(ZIP_ER_WRITE);
        // The last moment a run asked to end can still leave everything as it was.
        if (interruption() != 0) {
            errno = ECANCELED;
            return failReplacement(ZIP_ER_WRITE);
        }
        if (const int refused = m_check ? m_check(m_replacement) : 0; refused != 0) {
            errno = refused;
            return failReplacement(ZIP_ER_WRITE);
        }
        if (::rename(m_replacement.c_str(), m_path.c_str()) != 0)
            return failReplacement(ZIP_ER_RENAME);
        m_replacement.clear();
        return 0;
    }

    zip_int64_t failReplacement(int zipError) {
        const zip_int64_t failed = failWithErrno(zipError);
        discardReplacement();
        return failed;
    }

    void discardReplacement() {
        if (m_writing >= 0)
            ::close(m_writing);
        m_writing = -1;
        if (!m_replacement.empty())
            ::unlink(m_replacement.c_str());
        m_replacement.clear();
    }

    std::string m_path;
    ReplacementCheck m_check;
    int m_reading = -1;
    std::uint64_t m_readOffset = 0;
    int m_writing = -1;
    std::string m_replacement;
};

} // namespace

zip_source_t* makeArchiveFileSource(const std::string& path, zip_error_t* error, ReplacementCheck check) {
    return ZipSourceBase::create<ArchiveFileSource>(error, path, std::move(check));
}

} // namespace Platform::Com
