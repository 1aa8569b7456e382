// The worker pool: workers claim chunks in order, at most a window ahead of the one handed out.
#include "Platform/Com/ParallelDeflate.h"

#include "Platform/Retried.h"

#include <libdeflate.h>
#include <sched.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace Platform::Com {

namespace {

constexpr unsigned kMaxWorkers = 8;
// Chunks that may wait deflated, beyond one per worker, so that no worker idles while one is copied out.
constexpr std::size_t kExtraSlots = 2;

// The cores this process may run on (taskset, a container's CPU set), else every core of the machine.
unsigned availableCores() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    return std::thread::hardware_concurrency();
}

} // namespace

unsigned ParallelDeflate::workersFor(std::uint64_t size) {
    if (size < kChunkSize)
        return 1;
    return std::clamp(availableCores(), 1u, kMaxWorkers);
}

ParallelDeflate::ParallelDeflate(int file, unsigned workers)
    : m_file(file), m_slots(workers > 1 ? workers + kExtraSlots : 1), m_crc(crc32(0, Z_NULL, 0)) {
    if (workers <= 1)
        return;
    try {
        for (unsigned started = 0; started < workers; ++started)
            m_threads.emplace_back([this] { work(); });
    } catch (...) {
        stopWorkers();
        throw;
    }
}

ParallelDeflate::~ParallelDeflate() {
    stopWorkers();
}

void ParallelDeflate::stopWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_claimable.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
}

void ParallelDeflate::work() {
    Worker worker;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_claimable.wait(lock, [this] {
            return m_stopping ||
                   (m_nextToClaim < m_endIndex && m_nextToClaim < m_handingOut + m_slots.size());
        });
        if (m_stopping)
            return;
        const std::uint64_t index = m_nextToClaim++;
        // The slot was released with the chunk before; its buffer is reused.
        Chunk chunk;
        chunk.data = std::move(m_slots[index % m_slots.size()].data);
        lock.unlock();
        worker.deflate(m_file, index, chunk);
        lock.lock();
        if (chunk.failure.zipError != 0 || chunk.inputSize < kChunkSize)
            m_endIndex = std::min(m_endIndex, index + 1);
        m_slots[index % m_slots.size()] = std::move(chunk);
        m_finished.notify_all();
    }
}

std::int64_t ParallelDeflate::read(std::uint8_t* out, std::size_t length) {
    if (m_failure.zipError != 0)
        return -1;
    std::size_t copied = 0;
    while (copied < length && !m_ended) {
        if (m_current == nullptr && !takeNextChunk())
            return -1;
        const std::size_t count = std::min(length - copied, m_current->data.size() - m_offset);
        std::memcpy(out + copied, m_current->data.data() + m_offset, count);
        copied += count;
        m_offset += count;
        if (m_offset == m_current->data.size())
            releaseChunk();
    }
    return static_cast<std::int64_t>(copied);
}

bool ParallelDeflate::takeNextChunk() {
    Chunk& chunk = awaitChunk(m_handingOut);
    if (chunk.failure.zipError != 0) {
        m_failure = chunk.failure;
        return false;
    }
    m_crc = crc32_combine(m_crc, chunk.crc, static_cast<z_off_t>(chunk.inputSize));
    m_bytesRead += chunk.inputSize;
    m_compressedSize += chunk.data.size();
    m_current = &chunk;
    m_offset = 0;
    return true;
}

ParallelDeflate::Chunk& ParallelDeflate::awaitChunk(std::uint64_t index) {
    Chunk& slot = m_slots[index % m_slots.size()];
    if (m_threads.empty()) {
        m_inlineWorker.deflate(m_file, index, slot);
        return slot;
    }
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [&] { return slot.ready && slot.index == index; });
    return slot;
}

// Empties the chunk copied out, keeping its buffer for a later one, and lets the workers claim one more.
void ParallelDeflate::releaseChunk() {
    const bool last = m_current->inputSize < kChunkSize;
    {
        const std::lock_guard lock(m_mutex);
        std::vector<std::uint8_t> buffer = std::move(m_current->data);
        buffer.clear();
        *m_current = Chunk();
        m_current->data = std::move(buffer);
        ++m_handingOut;
    }
    m_claimable.notify_all();
    m_current = nullptr;
    m_ended = last;
}

void ParallelDeflate::Worker::deflate(int file, std::uint64_t index, Chunk& chunk) {
    chunk.index = index;
    chunk.ready = true;
    chunk.inputSize = 0;
    chunk.crc = 0;
    chunk.failure = {};
    try {
        if (m_compressor == nullptr) {
            m_input.reset(new std::uint8_t[kChunkSize]);
            m_compressor = std::make_unique<ChunkCompressor>();
        }
        read(file, index, chunk);
        if (chunk.failure.zipError != 0)
            return;
        chunk.crc = libdeflate_crc32(0, m_input.get(), chunk.inputSize);
        if (!m_compressor->compress(m_input.get(), chunk.inputSize, chunk.inputSize < kChunkSize, chunk.data))
            chunk.failure = {ZIP_ER_INTERNAL, 0};
    } catch (const std::bad_alloc&) {
        chunk.failure = {ZIP_ER_MEMORY, 0};
    }
}

// Fills the input with the chunk's bytes; fewer than a chunk only at the end of the file.
void ParallelDeflate::Worker::read(int file, std::uint64_t index, Chunk& chunk) {
    const std::uint64_t start = index * kChunkSize;
    std::size_t filled = 0;
    while (filled < kChunkSize) {
        const ssize_t got = retried([&] {
            return ::pread(file, m_input.get() + filled, kChunkSize - filled,
                           static_cast<off_t>(start + filled));
        });
        if (got < 0) {
            chunk.failure = {ZIP_ER_READ, errno};
            return;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    chunk.inputSize = filled;
}

} // namespace Platform::Com
