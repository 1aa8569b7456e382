// The header of a deflate block: its type and, for a block with its own Huffman codes, how many
// codewords each of them has.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace Platform::Com {

struct DeflateBlockHeader {
    bool dynamic = false; // BTYPE 2; the counts are read for such a block only
    // Symbols with a non-zero code length in the code-length, literal/length and distance codes.
    unsigned lengthCodewords = 0;
    unsigned literalCodewords = 0;
    unsigned distanceCodewords = 0;

    // Windows' built-in ZIP reader refuses a dynamic block any of whose codes has fewer than two
    // codewords: a single codeword, or an empty distance code in a block without matches. RFC 1951
    // allows both and other readers accept them; libdeflate before 1.19 writes the empty one.
    bool windowsReaderAccepts() const;
};

// The header of the block that starts `bit` bits into `data`; nothing when it does not end within
// `data` or its code lengths cannot be decoded.
std::optional<DeflateBlockHeader> readDeflateBlockHeader(std::span<const std::uint8_t> data,
                                                         std::uint64_t bit);

} // namespace Platform::Com
