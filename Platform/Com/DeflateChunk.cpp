// Deflating a chunk: a small one with zlib, its state sized to the chunk; a larger one with libdeflate,
// then scanning its blocks with zlib, to check each block's header and to find the final block so it can
// be reopened. A chunk with a block that Windows' reader refuses is deflated again with zlib, which never
// writes such a block.
#include "Platform/Com/DeflateChunk.h"

#include "Platform/Com/DeflateBlockHeader.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace Platform::Com {

namespace {

constexpr int kLevel = 6;
constexpr int kZlibMaxMemLevel = 8;
// zlib's smallest window for a raw stream.
constexpr int kZlibMinWindowBits = 9;
// Room for the inflated data while scanning; the scanner keeps its own window.
constexpr std::size_t kScratchSize = 64 * 1024;
// An empty stored block's length and its complement, after its header bits and the byte alignment.
constexpr std::uint8_t kEmptyStoredLengths[] = {0x00, 0x00, 0xFF, 0xFF};
// Beyond zlib's bound for its data: the empty stored block of a sync flush.
constexpr std::size_t kSyncFlushRoom = 16;

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

// Clears the final bit of the block at `finalBlock`, then appends an empty stored block at `end`, which
// pads to a whole byte.
void makeJoinable(std::vector<std::uint8_t>& output, std::uint64_t finalBlock, std::uint64_t end) {
    output[finalBlock / 8] &= static_cast<std::uint8_t>(~(1u << (finalBlock % 8)));
    // The stored block's three header bits are zero, as are the bits after them up to the byte end.
    output.resize((end + 3 + 7) / 8, 0);
    if (end % 8 != 0)
        output[end / 8] &= static_cast<std::uint8_t>((1u << (end % 8)) - 1);
    output.insert(output.end(), std::begin(kEmptyStoredLengths), std::end(kEmptyStoredLengths));
}

// zlib's window and memory level for `size` bytes: a window that holds them all where one can, and
// hash and symbol buffers to match, so a small chunk clears and touches little memory.
struct ZlibSizes {
    int windowBits = kZlibMinWindowBits;
    int memLevel = 1;
};

ZlibSizes zlibSizesFor(std::size_t size) {
    ZlibSizes sizes;
    while (sizes.windowBits < MAX_WBITS && (std::size_t{1} << sizes.windowBits) < size)
        ++sizes.windowBits;
    sizes.memLevel = std::clamp(sizes.windowBits - 6, 1, kZlibMaxMemLevel);
    return sizes;
}

// zlib gives every code two codewords or more, so Windows' reader accepts each of its blocks. Its sync
// flush ends a chunk that is not the last in the same empty stored block as makeJoinable.
bool deflateWithZlib(const std::uint8_t* data, std::size_t size, bool last,
                     std::vector<std::uint8_t>& output) {
    const ZlibSizes sizes = zlibSizesFor(size);
    z_stream zlib{};
    if (deflateInit2(&zlib, kLevel, Z_DEFLATED, -sizes.windowBits, sizes.memLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::bad_alloc();
    output.resize(deflateBound(&zlib, size) + kSyncFlushRoom);
    zlib.next_in = const_cast<Bytef*>(data);
    zlib.avail_in = static_cast<uInt>(size);
    zlib.next_out = output.data();
    zlib.avail_out = static_cast<uInt>(output.size());
    const int status = deflate(&zlib, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool done = status == (last ? Z_STREAM_END : Z_OK) && zlib.avail_in == 0 && zlib.avail_out != 0;
    output.resize(output.size() - zlib.avail_out);
    deflateEnd(&zlib);
    return done;
}

} // namespace

ChunkCompressor::ChunkCompressor(std::size_t smallChunk) : m_smallChunk(smallChunk) {}

ChunkCompressor::~ChunkCompressor() {
    if (m_scannerReady)
        inflateEnd(&m_scanner);
    libdeflate_free_compressor(m_compressor);
}

void ChunkCompressor::prepareLibdeflate() {
    if (m_compressor != nullptr)
        return;
    if (!m_scannerReady) {
        if (inflateInit2(&m_scanner, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
        m_scannerReady = true;
    }
    m_scratch.resize(kScratchSize);
    m_compressor = libdeflate_alloc_compressor(kLevel);
    if (m_compressor == nullptr)
        throw std::bad_alloc();
}

bool ChunkCompressor::compress(const std::uint8_t* data, std::size_t size, bool last,
                               std::vector<std::uint8_t>& output) {
    if (size <= m_smallChunk)
        return deflateWithZlib(data, size, last, output);
    prepareLibdeflate();
    const std::size_t bound = libdeflate_deflate_compress_bound(m_compressor, size);
    // Room for the join too, so that a reused buffer is never reallocated.
    output.resize(bound + 1 + sizeof kEmptyStoredLengths);
    output.resize(libdeflate_deflate_compress(m_compressor, data, size, output.data(), bound));
    Blocks blocks;
    if (output.empty() || !scan(output, blocks))
        return false;
    if (!blocks.windowsReadable)
        return deflateWithZlib(data, size, last, output);
    if (!last)
        makeJoinable(output, blocks.finalBlock, blocks.end);
    return true;
}

// Inflates the chunk block by block, reading each block's header where it starts. Stops at the first
// block that Windows' reader refuses.
bool ChunkCompressor::scan(const std::vector<std::uint8_t>& output, Blocks& blocks) {
    if (inflateReset(&m_scanner) != Z_OK)
        return false;
    m_scanner.next_in = const_cast<Bytef*>(output.data());
    m_scanner.avail_in = static_cast<uInt>(output.size());
    for (std::uint64_t start = 0;;) {
        const std::optional<DeflateBlockHeader> header = readDeflateBlockHeader(output, start);
        if (!header)
            return false;
        if (!header->windowsReaderAccepts()) {
            blocks.windowsReadable = false;
            return true;
        }
        blocks.finalBlock = start;
        if (!inflateToBlockEnd())
            return false;
        start = bitPosition(m_scanner);
        if (afterFinalBlock(m_scanner)) {
            blocks.end = start;
            return true;
        }
    }
}

bool ChunkCompressor::inflateToBlockEnd() {
    do {
        m_scanner.next_out = m_scratch.data();
        m_scanner.avail_out = static_cast<uInt>(m_scratch.size());
        if (inflate(&m_scanner, Z_BLOCK) != Z_OK)
            return false;
    } while (!atBlockBoundary(m_scanner));
    return true;
}

} // namespace Platform::Com
