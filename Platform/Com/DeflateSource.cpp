// The deflating source: streams the parallel deflate of the file into libzip's buffer, keeps the totals, and
// fails when the file changed while it was read.
#include "Platform/Com/DeflateSource.h"

#include "Platform/Com/ParallelDeflate.h"
#include "Platform/Com/ProgressLine.h"
#include "Platform/Com/ZipSourceBase.h"
#include "Platform/Interruption.h"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <system_error>

namespace Platform::Com {

namespace {

class DeflateSource final : public ZipSourceBase {
public:
    DeflateSource(int file, const struct stat& info, ProgressLine& progress, PackedEntry& handedOut)
        : m_file(file), m_info(info), m_expectedSize(static_cast<std::uint64_t>(info.st_size)),
          m_progress(progress), m_handedOut(handedOut) {}

private:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) override {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        case ZIP_SOURCE_OPEN:
            return open();
        case ZIP_SOURCE_READ:
            return read(static_cast<std::uint8_t*>(data), length);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT:
            return stat(data, length);
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t open() {
        m_deflate.reset();
        try {
            m_deflate =
                std::make_unique<ParallelDeflate>(m_file, ParallelDeflate::workersFor(m_expectedSize));
        } catch (const std::system_error& error) {
            return fail(ZIP_ER_INTERNAL, error.code().value());
        }
        return 0;
    }

    zip_int64_t read(std::uint8_t* out, zip_uint64_t length) {
        if (m_deflate == nullptr)
            return fail(ZIP_ER_INTERNAL, 0);
        if (interruption() != 0)
            return fail(ZIP_ER_READ, ECANCELED);
        const std::int64_t copied = m_deflate->read(out, length);
        if (copied < 0)
            return fail(m_deflate->failure().zipError, m_deflate->failure().systemError);
        if (copied == 0 && changedWhileRead())
            return -1;
        m_progress.update(m_deflate->bytesRead());
        if (ended())
            recordHandedOut();
        return copied;
    }

    void recordHandedOut() {
        m_handedOut.size = m_deflate->bytesRead();
        m_handedOut.compressedSize = m_deflate->compressedSize();
        m_handedOut.crc = m_deflate->crc();
        m_handedOut.method = ZIP_CM_DEFLATE;
    }

    // A file that changed while it was read fails the read, so the archive never holds a mix of old and
    // new data.
    bool changedWhileRead() {
        int error = 0;
        if (!hasChangedSince(m_file, m_info, error))
            return false;
        fail(error != 0 ? ZIP_ER_READ : ZIP_ER_CHANGED, error);
        return true;
    }

    bool ended() const { return m_deflate != nullptr && m_deflate->ended(); }

    // Before the data is read: the method and the expected size, so that libzip chooses
    // ZIP64 for large files and leaves the data as it is. After it: the sizes and CRC read.
    zip_int64_t stat(void* data, zip_uint64_t length) {
        auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, error());
        if (status == nullptr)
            return -1;
        zip_stat_init(status);
        status->valid = ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_SIZE;
        status->comp_method = ZIP_CM_DEFLATE;
        status->encryption_method = ZIP_EM_NONE;
        status->size = ended() ? m_deflate->bytesRead() : m_expectedSize;
        if (ended()) {
            status->valid |= ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE;
            status->crc = m_deflate->crc();
            status->comp_size = m_deflate->compressedSize();
        }
        return sizeof(zip_stat_t);
    }

    int m_file;
    struct stat m_info;
    std::uint64_t m_expectedSize;
    ProgressLine& m_progress;
    PackedEntry& m_handedOut;
    std::unique_ptr<ParallelDeflate> m_deflate;
};

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

bool hasChangedSince(int file, const struct stat& before, int& error) {
    struct stat now {};
    error = ::fstat(file, &now) == 0 ? 0 : errno;
    return error != 0 || now.st_size != before.st_size || !sameTime(now.st_mtim, before.st_mtim) ||
           !sameTime(now.st_ctim, before.st_ctim);
}

zip_source_t* makeDeflateSource(zip_t* archive, int file, const struct stat& info, ProgressLine& progress,
                                PackedEntry& handedOut) {
    return ZipSourceBase::create<DeflateSource>(zip_get_error(archive), file, info, progress, handedOut);
}

} // namespace Platform::Com
