// A file deflated in chunks on a small pool of threads and handed out, in order, as one raw deflate stream.
#pragma once

#include "Platform/Com/DeflateChunk.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Platform::Com {

class ParallelDeflate {
public:
    static constexpr std::size_t kChunkSize = 1024 * 1024;

    // The workers for a file of `size` bytes: one per core, at most eight; one for a file of less than
    // a chunk, which is then deflated without threads.
    static unsigned workersFor(std::uint64_t size);

    // Reads `file` (open for reading) from its start to its end. With more than one worker the chunks
    // are deflated on that many threads, else on the reading thread; the stream is the same either
    // way. Throws std::bad_alloc or std::system_error when it cannot start.
    ParallelDeflate(int file, unsigned workers);
    // Stops the workers and waits for them.
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // Copies up to `length` bytes of the stream to `out`: the count copied, 0 at its end, -1 on a
    // failure (then failure() says which libzip error, and errno for a read error).
    std::int64_t read(std::uint8_t* out, std::size_t length);

    struct Failure {
        int zipError = 0;
        int systemError = 0;
    };
    Failure failure() const { return m_failure; }
    bool ended() const { return m_ended; }
    // The input taken so far, its CRC-32 and the size of the stream handed out.
    std::uint64_t bytesRead() const { return m_bytesRead; }
    std::uint32_t crc() const { return static_cast<std::uint32_t>(m_crc); }
    std::uint64_t compressedSize() const { return m_compressedSize; }

private:
    // A chunk as a worker leaves it: its deflated data, its input's size and CRC, or why it failed.
    struct Chunk {
        std::uint64_t index = 0;
        bool ready = false;
        std::vector<std::uint8_t> data;
        std::size_t inputSize = 0;
        std::uint32_t crc = 0;
        Failure failure;
    };

    // What one thread needs to deflate chunks; allocated on first use, so a failure is the chunk's.
    class Worker {
    public:
        // Fills `chunk` with chunk `index` of `file`, reusing its buffer.
        void deflate(int file, std::uint64_t index, Chunk& chunk);

    private:
        void read(int file, std::uint64_t index, Chunk& chunk);

        std::unique_ptr<ChunkCompressor> m_compressor;
        // Not value-initialised: the reads fill what is used, and pages never read into are never
        // touched (a 1 KiB file touches one page of the chunk's MiB).
        std::unique_ptr<std::uint8_t[]> m_input;
    };

    void work();
    void stopWorkers();
    bool takeNextChunk();
    Chunk& awaitChunk(std::uint64_t index);
    void releaseChunk();

    int m_file;
    // Chunks deflated ahead of the one handed out, each in slot index % window. Guarded by m_mutex, but
    // for the slot handed out (m_current), which only the reading thread touches until it releases it.
    std::vector<Chunk> m_slots;
    std::vector<std::thread> m_threads;
    Worker m_inlineWorker;
    std::mutex m_mutex;
    std::condition_variable m_claimable;
    std::condition_variable m_finished;
    bool m_stopping = false;               // guarded by m_mutex
    std::uint64_t m_nextToClaim = 0;       // guarded by m_mutex
    std::uint64_t m_endIndex = UINT64_MAX; // guarded by m_mutex
    // Written by the reading thread under m_mutex, read by the workers under it.
    std::uint64_t m_handingOut = 0;
    // The rest is the reading thread's own.
    Chunk* m_current = nullptr;
    std::size_t m_offset = 0;
    bool m_ended = false;
    Failure m_failure;
    std::uint64_t m_bytesRead = 0;
    std::uint64_t m_compressedSize = 0;
    unsigned long m_crc = 0;
};

} // namespace Platform::Com
