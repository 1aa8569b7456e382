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
    // Throws std::bad_alloc when the compressor or its scanner cannot be allocated.
    ChunkCompressor();
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // Deflates `size` bytes at `data` (level 6) into `output`. The last chunk ends the stream; any other
    // ends in a non-final block followed by an empty stored block, so the next chunk starts on a byte
    // boundary. Every block is one that Windows' built-in ZIP reader accepts. False if the compressed data
    // could not be scanned or deflated again (an internal fault); throws std::bad_alloc.
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
    bool deflateWithZlib(const std::uint8_t* data, std::size_t size, bool last,
                         std::vector<std::uint8_t>& output);
    bool prepareZlib();

    libdeflate_compressor* m_compressor;
    z_stream m_scanner{};
    std::vector<Bytef> m_scratch;
    // zlib's deflater, set up for the first chunk that needs it.
    z_stream m_zlib{};
    bool m_zlibReady = false;
};

} // namespace Platform::Com
