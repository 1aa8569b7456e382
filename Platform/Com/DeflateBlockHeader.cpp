// Reading a block header: BFINAL and BTYPE, then for a dynamic block HLIT, HDIST, HCLEN, the code-length
// code and, decoded with it, the code lengths of the literal/length and distance codes.
#include "Platform/Com/DeflateBlockHeader.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace Platform::Com {

namespace {

constexpr unsigned kDynamicBlock = 2;
constexpr unsigned kMaxLengthCodeBits = 7;
constexpr std::size_t kLengthCodeSymbols = 19;
// The order in which the header gives the code-length code's lengths.
constexpr std::uint8_t kLengthCodeOrder[kLengthCodeSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                               11, 4,  12, 3, 13, 2, 14, 1, 15};
// At most 288 literal/length and 32 distance code lengths.
constexpr std::size_t kMaxCodeLengths = 320;

// Deflate's bit order: from the least significant bit of each byte on. Past the data it reads zeros and
// remembers that it ran out.
class BitReader {
public:
    BitReader(std::span<const std::uint8_t> data, std::uint64_t bit) : m_data(data), m_bit(bit) {}

    unsigned take(unsigned count) {
        unsigned value = 0;
        for (unsigned i = 0; i < count; ++i, ++m_bit) {
            if (m_bit / 8 < m_data.size())
                value |= ((m_data[m_bit / 8] >> (m_bit % 8)) & 1u) << i;
            else
                m_ranOut = true;
        }
        return value;
    }
    bool ranOut() const { return m_ranOut; }

private:
    std::span<const std::uint8_t> m_data;
    std::uint64_t m_bit;
    bool m_ranOut = false;
};

// The canonical code that the code lengths are written in, decoded a bit at a time: for each length the
// first code and the symbols in code order.
class LengthCode {
public:
    explicit LengthCode(const std::array<std::uint8_t, kLengthCodeSymbols>& lengths) {
        for (const std::uint8_t length : lengths)
            ++m_count[length];
        std::array<unsigned, kMaxLengthCodeBits + 1> next{};
        for (unsigned length = 1; length < kMaxLengthCodeBits; ++length)
            next[length + 1] = next[length] + m_count[length];
        for (unsigned symbol = 0; symbol < kLengthCodeSymbols; ++symbol) {
            if (lengths[symbol] != 0)
                m_symbols[next[lengths[symbol]]++] = static_cast<std::uint8_t>(symbol);
        }
    }

    unsigned codewords() const { return kLengthCodeSymbols - m_count[0]; }

    std::optional<unsigned> decode(BitReader& in) const {
        unsigned code = 0;
        unsigned first = 0;
        unsigned index = 0;
        for (unsigned length = 1; length <= kMaxLengthCodeBits; ++length) {
            code |= in.take(1);
            if (code - first < m_count[length])
                return m_symbols[index + code - first];
            index += m_count[length];
            first = (first + m_count[length]) << 1;
            code <<= 1;
        }
        return std::nullopt;
    }

private:
    std::array<unsigned, kMaxLengthCodeBits + 1> m_count{};
    std::array<std::uint8_t, kLengthCodeSymbols> m_symbols{};
};

LengthCode readLengthCode(BitReader& in, unsigned count) {
    std::array<std::uint8_t, kLengthCodeSymbols> lengths{};
    for (unsigned i = 0; i < count; ++i)
        lengths[kLengthCodeOrder[i]] = static_cast<std::uint8_t>(in.take(3));
    return LengthCode(lengths);
}

// What one symbol of the code-length code stands for: a length of 0 to 15 once, 16 the previous length 3
// to 6 times, 17 and 18 a length of 0 for 3 to 10 and 11 to 138 times.
struct LengthRun {
    std::uint8_t length = 0;
    std::size_t times = 0;
};

std::optional<LengthRun> readRun(BitReader& in, unsigned symbol, std::span<const std::uint8_t> before) {
    switch (symbol) {
    case 16:
        if (before.empty())
            return std::nullopt;
        return LengthRun{before.back(), 3 + in.take(2)};
    case 17:
        return LengthRun{0, 3 + in.take(3)};
    case 18:
        return LengthRun{0, 11 + in.take(7)};
    default:
        return LengthRun{static_cast<std::uint8_t>(symbol), 1};
    }
}

// Fills `lengths`, decoding runs of code lengths with `code`; false when a run does not fit.
bool readCodeLengths(BitReader& in, const LengthCode& code, std::span<std::uint8_t> lengths) {
    std::size_t filled = 0;
    while (filled < lengths.size()) {
        const std::optional<unsigned> symbol = code.decode(in);
        const std::optional<LengthRun> run =
            symbol ? readRun(in, *symbol, lengths.first(filled)) : std::nullopt;
        if (!run || run->times > lengths.size() - filled)
            return false;
        std::fill_n(lengths.begin() + static_cast<std::ptrdiff_t>(filled), run->times, run->length);
        filled += run->times;
    }
    return true;
}

unsigned nonZero(std::span<const std::uint8_t> lengths) {
    return static_cast<unsigned>(
        std::count_if(lengths.begin(), lengths.end(), [](std::uint8_t length) { return length != 0; }));
}

} // namespace

bool DeflateBlockHeader::windowsReaderAccepts() const {
    return !dynamic || (lengthCodewords >= 2 && literalCodewords >= 2 && distanceCodewords >= 2);
}

std::optional<DeflateBlockHeader> readDeflateBlockHeader(std::span<const std::uint8_t> data,
                                                         std::uint64_t bit) {
    BitReader in(data, bit);
    in.take(1);
    DeflateBlockHeader header;
    header.dynamic = in.take(2) == kDynamicBlock;
    if (!header.dynamic)
        return in.ranOut() ? std::nullopt : std::optional(header);
    const unsigned literals = 257 + in.take(5);
    const unsigned distances = 1 + in.take(5);
    const LengthCode lengthCode = readLengthCode(in, 4 + in.take(4));
    std::array<std::uint8_t, kMaxCodeLengths> lengths{};
    const std::span<std::uint8_t> used(lengths.data(), literals + distances);
    if (!readCodeLengths(in, lengthCode, used) || in.ranOut())
        return std::nullopt;
    header.lengthCodewords = lengthCode.codewords();
    header.literalCodewords = nonZero(used.first(literals));
    header.distanceCodewords = nonZero(used.subspan(literals));
    return header;
}

} // namespace Platform::Com
