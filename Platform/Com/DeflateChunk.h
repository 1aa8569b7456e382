// One chunk of a file deflated so that the chunks' data, joined in order, form a single raw deflate stream.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct libdeflate_compressor;

namespace Platform::Com {

class ChunkCompressor {
public:
    // The largest chunk that fits in zlib's window.
    static constexpr std::size_t kSmallChunk = std::size_t{1} << MAX_WBITS;

    // Chunks of up to `smallChunk` bytes are deflated by zlib alone, its state sized to the chunk: for
    // them libdeflate's setup (a few hundred KiB of tables to clear) costs more than its speed saves,
    // and its small blocks are often ones Windows' reader refuses. Larger chunks get libdeflate and its
    // scanner, set up on first use.
    explicit ChunkCompressor(std::size_t smallChunk = kSmallChunk);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // Deflates `size` bytes at `data` (level 6) into `output`. The last chunk ends the stream; any other
    // ends in a non-final block followed by an empty stored block, so the next chunk starts on a byte
    // boundary. Every block is one that Windows' built-in ZIP reader accepts. False if the compressed data
    // could not be scanned or deflated again (an internal fault); throws std::bad_alloc when the
    // compressors' state cannot be allocated.
    bool compress(const std::uint8_t* data, std::size_t size, bool last, std::vector<std::uint8_t>& output);

private:
    // What a scan of libdeflate's data found: whether Windows' reader accepts every block, and if so
    // the bit where the final block starts and the bit where the data ends.
    struct Blocks {
        bool windowsReadable = true;
        std::uint64_t finalBlock = 0;
        std::uint64_t end = 0;
    };

    bool scan(const std::vector<std::uint8_t>& output, Blocks& blocks);
    bool inflateToBlockEnd();
    void prepareLibdeflate();

    std::size_t m_smallChunk;
    libdeflate_compressor* m_compressor = nullptr;
    z_stream m_scanner{};
    bool m_scannerReady = false;
    std::vector<Bytef> m_scratch;
};

} // namespace Platform::Com
