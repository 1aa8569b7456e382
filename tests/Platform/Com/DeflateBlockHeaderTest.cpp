// The block header reader on dynamic headers written here: the codewords it counts, whether Windows' reader
// accepts them, and a header cut short.
#include "Platform/Com/DeflateBlockHeader.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using Platform::Com::readDeflateBlockHeader;

class BitWriter {
public:
    // Deflate's order: from the least significant bit of each byte on.
    void put(unsigned value, unsigned count) {
        for (unsigned i = 0; i < count; ++i, ++m_bits) {
            if (m_bits % 8 == 0)
                bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1u) << (m_bits % 8));
        }
    }
    // A Huffman code: from its most significant bit on.
    void putCode(unsigned code, unsigned length) {
        for (unsigned i = length; i > 0; --i)
            put(code >> (i - 1), 1);
    }

    std::vector<std::uint8_t> bytes;

private:
    unsigned m_bits = 0;
};

// After `skip` bits, a dynamic block header whose code-length code gives every one of its 19 symbols five
// bits, so that symbol s is written as s in five bits; every code length is written as itself.
std::vector<std::uint8_t> dynamicHeader(unsigned skip, const std::map<unsigned, unsigned>& literalLengths,
                                        const std::vector<unsigned>& distanceLengths) {
    BitWriter out;
    out.put(0, skip);
    out.put(0b101, 3);
    out.put(0, 5);
    out.put(static_cast<unsigned>(distanceLengths.size() - 1), 5);
    out.put(19 - 4, 4);
    for (unsigned symbol = 0; symbol < 19; ++symbol)
        out.put(5, 3);
    for (unsigned symbol = 0; symbol < 257; ++symbol)
        out.putCode(literalLengths.contains(symbol) ? literalLengths.at(symbol) : 0, 5);
    for (const unsigned length : distanceLengths)
        out.putCode(length, 5);
    return out.bytes;
}

TEST(PlatformComDeflateBlockHeaderTest, CountsCodewordsAndRefusesCodesOfFewerThanTwo) {
    const struct {
        const char* name;
        std::map<unsigned, unsigned> literalLengths;
        std::vector<unsigned> distanceLengths;
        unsigned literalCodewords;
        unsigned distanceCodewords;
        bool accepted;
    } kRows[] = {
        {"two codewords in each code", {{'a', 1}, {256, 1}}, {0, 1, 1}, 2, 2, true},
        {"many codewords", {{'a', 2}, {'b', 3}, {'c', 3}, {256, 1}}, {2, 2, 2, 2}, 4, 4, true},
        {"one distance codeword", {{'a', 1}, {256, 1}}, {0, 1}, 2, 1, false},
        {"an empty distance code", {{'a', 1}, {256, 1}}, {0}, 2, 0, false},
        {"one literal/length codeword", {{256, 1}}, {1, 1}, 1, 2, false},
    };
    for (const auto& row : kRows) {
        for (const unsigned skip : {0u, 5u}) {
            std::vector<std::uint8_t> header = dynamicHeader(skip, row.literalLengths, row.distanceLengths);
            const auto read = readDeflateBlockHeader(header, skip);
            ASSERT_TRUE(read) << row.name << ", after " << skip << " bits";
            EXPECT_EQ(read->lengthCodewords, 19u) << row.name;
            EXPECT_EQ(read->literalCodewords, row.literalCodewords) << row.name;
            EXPECT_EQ(read->distanceCodewords, row.distanceCodewords) << row.name;
            EXPECT_EQ(read->windowsReaderAccepts(), row.accepted) << row.name;
            header.pop_back();
            EXPECT_FALSE(readDeflateBlockHeader(header, skip)) << row.name << ", cut short";
        }
    }
}

} // namespace
