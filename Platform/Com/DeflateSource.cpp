// The deflating source: reads the file in large blocks, deflates into libzip's buffer, keeps the CRC, and
// fails when the file changed while it was read.
#include "Platform/Com/DeflateSource.h"

#include "Platform/Com/ProgressLine.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <vector>

namespace Platform::Com {

namespace {

constexpr int kLevel = 6;
// zlib's default hash and block sizes; its largest (9) makes the output larger on typical data.
constexpr int kMemoryLevel = 8;
constexpr std::size_t kInputBlock = 256 * 1024;

class DeflateSource {
public:
    DeflateSource(int file, const struct stat& info, ProgressLine& progress)
        : m_file(file), m_info(info), m_expectedSize(static_cast<std::uint64_t>(info.st_size)),
          m_modified(info.st_mtime), m_progress(progress), m_input(kInputBlock) {
        zip_error_init(&m_error);
    }

    ~DeflateSource() {
        if (m_streamReady)
            deflateEnd(&m_stream);
        zip_error_fini(&m_error);
    }

    DeflateSource(const DeflateSource&) = delete;
    DeflateSource& operator=(const DeflateSource&) = delete;

    static zip_int64_t call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        return static_cast<DeflateSource*>(state)->handle(data, length, command);
    }

private:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        case ZIP_SOURCE_OPEN:
            return open();
        case ZIP_SOURCE_READ:
            return read(static_cast<Bytef*>(data), length);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT:
            return stat(data, length);
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_FREE:
            delete this;
            return 0;
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t fail(int zipError, int systemError) {
        zip_error_set(&m_error, zipError, systemError);
        return -1;
    }

    zip_int64_t open() {
        const int started = m_streamReady ? deflateReset(&m_stream)
                                          : deflateInit2(&m_stream, kLevel, Z_DEFLATED, -MAX_WBITS,
                                                         kMemoryLevel, Z_DEFAULT_STRATEGY);
        if (started != Z_OK)
            return fail(started == Z_MEM_ERROR ? ZIP_ER_MEMORY : ZIP_ER_INTERNAL, 0);
        m_streamReady = true;
        m_stream.avail_in = 0;
        m_read = 0;
        m_crc = crc32(0, Z_NULL, 0);
        m_inputEnded = m_streamEnded = false;
        return 0;
    }

    zip_int64_t read(Bytef* out, zip_uint64_t length) {
        const uInt room = length < std::numeric_limits<uInt>::max() ? static_cast<uInt>(length)
                                                                    : std::numeric_limits<uInt>::max();
        m_stream.next_out = out;
        m_stream.avail_out = room;
        while (m_stream.avail_out > 0 && !m_streamEnded) {
            if (m_stream.avail_in == 0 && !m_inputEnded && !fillInput())
                return -1;
            const int deflated = deflate(&m_stream, m_inputEnded ? Z_FINISH : Z_NO_FLUSH);
            if (deflated == Z_STREAM_END)
                m_streamEnded = true;
            else if (deflated != Z_OK && deflated != Z_BUF_ERROR)
                return fail(ZIP_ER_INTERNAL, 0);
        }
        return room - m_stream.avail_out;
    }

    bool fillInput() {
        ssize_t got = 0;
        do {
            got = ::pread(m_file, m_input.data(), m_input.size(), static_cast<off_t>(m_read));
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            fail(ZIP_ER_READ, errno);
            return false;
        }
        if (got == 0)
            return endInput();
        const auto count = static_cast<uInt>(got);
        m_crc = crc32(m_crc, m_input.data(), count);
        m_read += count;
        m_stream.next_in = m_input.data();
        m_stream.avail_in = count;
        m_progress.update(m_read);
        return true;
    }

    bool endInput() {
        int error = 0;
        if (hasChangedSince(m_file, m_info, error)) {
            fail(error != 0 ? ZIP_ER_READ : ZIP_ER_CHANGED, error);
            return false;
        }
        m_inputEnded = true;
        return true;
    }

    // Before the data is read: the method, the time and the expected size, so that libzip chooses
    // ZIP64 for large files and leaves the data as it is. After it: the size and CRC read.
    zip_int64_t stat(void* data, zip_uint64_t length) {
        auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
        if (status == nullptr)
            return -1;
        zip_stat_init(status);
        status->valid = ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME | ZIP_STAT_SIZE;
        status->comp_method = ZIP_CM_DEFLATE;
        status->encryption_method = ZIP_EM_NONE;
        status->mtime = m_modified;
        status->size = m_streamEnded ? m_read : m_expectedSize;
        if (m_streamEnded) {
            status->valid |= ZIP_STAT_CRC;
            status->crc = static_cast<zip_uint32_t>(m_crc);
        }
        return sizeof(zip_stat_t);
    }

    int m_file;
    struct stat m_info;
    std::uint64_t m_expectedSize;
    time_t m_modified;
    ProgressLine& m_progress;
    std::vector<Bytef> m_input;
    z_stream m_stream{};
    bool m_streamReady = false;
    bool m_inputEnded = false;
    bool m_streamEnded = false;
    std::uint64_t m_read = 0;
    uLong m_crc = 0;
    zip_error_t m_error;
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

zip_source_t* makeDeflateSource(zip_t* archive, int file, const struct stat& info, ProgressLine& progress) {
    auto* state = new DeflateSource(file, info, progress);
    zip_source_t* source = zip_source_function(archive, &DeflateSource::call, state);
    if (source == nullptr)
        delete state;
    return source;
}

} // namespace Platform::Com
