// Test helper: the blocks of a raw deflate stream and the shape of each dynamic block's Huffman codes,
// to find the blocks that Windows' built-in ZIP reader refuses.
#pragma once

#include <zip.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct HuffmanCodeShape {
    unsigned codewords = 0;
    bool complete = false; // the Kraft sum of the code lengths is exactly 1
};

struct DeflateBlock {
    unsigned type = 0; // BTYPE: 0 stored, 1 fixed codes, 2 dynamic codes; the codes are read for 2 only
    HuffmanCodeShape lengthCode;
    HuffmanCodeShape literalCode;
    HuffmanCodeShape distanceCode;

    // A dynamic block with a code of fewer than two codewords, or one that is not complete.
    bool refusedByWindows() const;
    std::string describe() const;
};

// The blocks of the raw deflate stream that fills `stream` exactly, and what it inflates to in
// `inflated` when given; nothing when it is not such a stream.
std::optional<std::vector<DeflateBlock>> deflateBlocksOf(std::string_view stream,
                                                         std::string* inflated = nullptr);

// A line for each block that Windows' reader refuses, with its index; empty when there is none.
std::string refusedBlocksIn(const std::vector<DeflateBlock>& blocks);

// A line for each refused block of each deflated entry of `archive`, or for an entry that is not a
// deflate stream; empty when all are fine.
std::string refusedDeflateBlocks(zip_t* archive);
