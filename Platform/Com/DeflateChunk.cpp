// Deflating a chunk with libdeflate, then finding its final block with zlib so it can be reopened.
#include "Platform/Com/DeflateChunk.h"

#include <libdeflate.h>

#include <new>

namespace Platform::Com {

namespace {

constexpr int kLevel = 6;
// Room for the inflated data while scanning; the scanner keeps its own window.
constexpr std::size_t kScratchSize = 64 * 1024;
// An empty stored block's length and its complement, after its header bits and the byte alignment.
constexpr std::uint8_t kEmptyStoredLengths[] = {0x00, 0x00, 0xFF, 0xFF};

// The bit where the scanner stands: bits taken from the input minus those left unused in its last byte.
std::uint64_t bitPosition(const z_stream& scanner) {
    return std::uint64_t{scanner.total_in} * 8 - static_cast<std::uint64_t>(scanner.data_type & 7);
}

bool atBlockBoundary(const z_stream& scanner) {
    return (scanner.data_type & 128) != 0;
}

// At a boundary: the block just ended was the final one.
bool afterFinalBlock(const z_stream& scanner) {
    return (scanner.data_type & 64) != 0;
}

} // namespace

ChunkCompressor::ChunkCompressor()
    : m_compressor(libdeflate_alloc_compressor(kLevel)), m_scratch(kScratchSize) {
    if (m_compressor == nullptr)
        throw std::bad_alloc();
    if (inflateInit2(&m_scanner, -MAX_WBITS) != Z_OK) {
        libdeflate_free_compressor(m_compressor);
        throw std::bad_alloc();
    }
}

ChunkCompressor::~ChunkCompressor() {
    inflateEnd(&m_scanner);
    libdeflate_free_compressor(m_compressor);
}

bool ChunkCompressor::compress(const std::uint8_t* data, std::size_t size, bool last,
                               std::vector<std::uint8_t>& output) {
    const std::size_t bound = libdeflate_deflate_compress_bound(m_compressor, size);
    // Room for the join too, so that a reused buffer is never reallocated.
    output.resize(bound + 1 + sizeof kEmptyStoredLengths);
    output.resize(libdeflate_deflate_compress(m_compressor, data, size, output.data(), bound));
    if (output.empty())
        return false;
    return last || makeJoinable(output);
}

// Inflates the chunk block by block to learn where its final block starts and where the data ends.
// Clears that block's final bit, then appends an empty stored block, which pads to a whole byte.
bool ChunkCompressor::makeJoinable(std::vector<std::uint8_t>& output) {
    if (inflateReset(&m_scanner) != Z_OK)
        return false;
    m_scanner.next_in = output.data();
    m_scanner.avail_in = static_cast<uInt>(output.size());
    std::uint64_t finalBlock = 0;
    for (;;) {
        m_scanner.next_out = m_scratch.data();
        m_scanner.avail_out = static_cast<uInt>(m_scratch.size());
        if (inflate(&m_scanner, Z_BLOCK) != Z_OK)
            return false;
        if (!atBlockBoundary(m_scanner))
            continue;
        if (afterFinalBlock(m_scanner))
            break;
        finalBlock = bitPosition(m_scanner);
    }
    const std::uint64_t end = bitPosition(m_scanner);
    output[finalBlock / 8] &= static_cast<std::uint8_t>(~(1u << (finalBlock % 8)));
    // The stored block's three header bits are zero, as are the bits after them up to the byte end.
    output.resize((end + 3 + 7) / 8, 0);
    if (end % 8 != 0)
        output[end / 8] &= static_cast<std::uint8_t>((1u << (end % 8)) - 1);
    output.insert(output.end(), std::begin(kEmptyStoredLengths), std::end(kEmptyStoredLengths));
    return true;
}

} // namespace Platform::Com
