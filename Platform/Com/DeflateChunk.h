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
    // boundary. False if the compressed data could not be scanned (an internal fault).
    bool compress(const std::uint8_t* data, std::size_t size, bool last, std::vector<std::uint8_t>& output);

private:
    bool makeJoinable(std::vector<std::uint8_t>& output);

    libdeflate_compressor* m_compressor;
    z_stream m_scanner{};
    std::vector<Bytef> m_scratch;
};

} // namespace Platform::Com
