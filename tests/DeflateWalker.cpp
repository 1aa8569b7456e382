// Blocks found with zlib's inflate, which stops at each block boundary (Z_BLOCK); each dynamic header is
// then read here from the bits at that boundary, with canonical codes built as RFC 1951 3.2.2 builds them.
#include "tests/DeflateWalker.h"

#include <zlib.h>

#include <map>
#include <sstream>
#include <utility>

namespace {

constexpr unsigned kDynamic = 2;
constexpr unsigned kLengthCodeOrder[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Bits from `bit` on, least significant first; past the end it reads zeros and says so.
class Bits {
public:
    Bits(std::string_view data, std::uint64_t bit) : m_data(data), m_bit(bit) {}

    unsigned take(unsigned count) {
        unsigned value = 0;
        for (unsigned i = 0; i < count; ++i, ++m_bit) {
            m_past = m_past || m_bit / 8 >= m_data.size();
            if (!m_past)
                value |= ((static_cast<unsigned char>(m_data[m_bit / 8]) >> (m_bit % 8)) & 1u) << i;
        }
        return value;
    }
    bool past() const { return m_past; }

private:
    std::string_view m_data;
    std::uint64_t m_bit;
    bool m_past = false;
};

HuffmanCodeShape shapeOf(const std::vector<unsigned>& lengths) {
    HuffmanCodeShape shape;
    unsigned kraft = 0; // in units of 2^-15
    for (const unsigned length : lengths) {
        if (length != 0) {
            ++shape.codewords;
            kraft += 1u << (15 - length);
        }
    }
    shape.complete = kraft == 1u << 15;
    return shape;
}

// Symbol by (code length, code).
using CodeTable = std::map<std::pair<unsigned, unsigned>, unsigned>;

CodeTable canonicalCodes(const std::vector<unsigned>& lengths) {
    unsigned lengthCount[16] = {};
    for (const unsigned length : lengths)
        ++lengthCount[length];
    lengthCount[0] = 0;
    unsigned nextCode[16] = {};
    for (unsigned bits = 1, code = 0; bits < 16; ++bits)
        nextCode[bits] = code = (code + lengthCount[bits - 1]) << 1;
    CodeTable table;
    for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0)
            table[{lengths[symbol], nextCode[lengths[symbol]]++}] = symbol;
    }
    return table;
}

std::optional<unsigned> decode(Bits& in, const CodeTable& table) {
    unsigned code = 0;
    for (unsigned length = 1; length < 16; ++length) {
        code = code << 1 | in.take(1);
        if (const auto found = table.find({length, code}); found != table.end())
            return found->second;
    }
    return std::nullopt;
}

// The literal/length and distance code lengths, one sequence coded with the code-length code.
std::optional<std::vector<unsigned>> readCodeLengths(Bits& in, const CodeTable& table, std::size_t count) {
    std::vector<unsigned> lengths;
    while (lengths.size() < count) {
        const std::optional<unsigned> symbol = decode(in, table);
        if (!symbol || (*symbol == 16 && lengths.empty()))
            return std::nullopt;
        if (*symbol < 16)
            lengths.push_back(*symbol);
        else if (*symbol == 16)
            lengths.insert(lengths.end(), 3 + in.take(2), lengths.back());
        else
            lengths.insert(lengths.end(), *symbol == 17 ? 3 + in.take(3) : 11 + in.take(7), 0);
    }
    if (lengths.size() != count)
        return std::nullopt;
    return lengths;
}

std::optional<DeflateBlock> readHeader(std::string_view stream, std::uint64_t bit) {
    Bits in(stream, bit);
    DeflateBlock block;
    in.take(1);
    block.type = in.take(2);
    if (block.type != kDynamic)
        return block;
    const unsigned literals = 257 + in.take(5);
    const unsigned distances = 1 + in.take(5);
    const unsigned lengthCodes = 4 + in.take(4);
    std::vector<unsigned> lengthCodeLengths(std::size(kLengthCodeOrder));
    for (unsigned i = 0; i < lengthCodes; ++i)
        lengthCodeLengths[kLengthCodeOrder[i]] = in.take(3);
    const auto lengths = readCodeLengths(in, canonicalCodes(lengthCodeLengths), literals + distances);
    if (!lengths || in.past())
        return std::nullopt;
    block.lengthCode = shapeOf(lengthCodeLengths);
    block.literalCode = shapeOf({lengths->begin(), lengths->begin() + literals});
    block.distanceCode = shapeOf({lengths->begin() + literals, lengths->end()});
    return block;
}

std::uint64_t bitPosition(const z_stream& inflater) {
    return std::uint64_t{inflater.total_in} * 8 - static_cast<unsigned>(inflater.data_type & 7);
}

// Inflates into `scratch`, keeping the output when asked to.
int inflateInto(z_stream& inflater, std::vector<Bytef>& scratch, int flush, std::string* inflated) {
    inflater.next_out = scratch.data();
    inflater.avail_out = static_cast<uInt>(scratch.size());
    const int status = inflate(&inflater, flush);
    if (inflated != nullptr)
        inflated->append(scratch.begin(), scratch.end() - inflater.avail_out);
    return status;
}

// Inflates block by block, reading each header at the boundary before it.
std::optional<std::vector<DeflateBlock>> walk(z_stream& inflater, std::string_view stream,
                                              std::string* inflated) {
    std::vector<Bytef> scratch(1 << 16);
    std::vector<DeflateBlock> blocks;
    for (bool atBoundary = true;; atBoundary = (inflater.data_type & 128) != 0) {
        if (atBoundary && (inflater.data_type & 64) != 0)
            break;
        if (atBoundary) {
            const std::optional<DeflateBlock> block = readHeader(stream, bitPosition(inflater));
            if (!block)
                return std::nullopt;
            blocks.push_back(*block);
        }
        if (inflateInto(inflater, scratch, Z_BLOCK, inflated) != Z_OK)
            return std::nullopt;
    }
    if (inflateInto(inflater, scratch, Z_FINISH, inflated) != Z_STREAM_END || inflater.avail_in != 0)
        return std::nullopt;
    return blocks;
}

std::optional<std::string> compressedDataOf(zip_t* archive, zip_uint64_t index, zip_uint64_t size) {
    std::string data(size, '\0');
    zip_file_t* file = zip_fopen_index(archive, index, ZIP_FL_COMPRESSED);
    if (file == nullptr)
        return std::nullopt;
    const zip_int64_t got = zip_fread(file, data.data(), size);
    zip_fclose(file);
    if (got != static_cast<zip_int64_t>(size))
        return std::nullopt;
    return data;
}

} // namespace

bool DeflateBlock::refusedByWindows() const {
    if (type != kDynamic)
        return false;
    for (const HuffmanCodeShape& code : {lengthCode, literalCode, distanceCode}) {
        if (code.codewords < 2 || !code.complete)
            return true;
    }
    return false;
}

std::string DeflateBlock::describe() const {
    std::ostringstream text;
    text << "type " << type;
    const std::pair<const char*, HuffmanCodeShape> codes[] = {
        {"code-length", lengthCode}, {"literal/length", literalCode}, {"distance", distanceCode}};
    for (const auto& [name, code] : codes)
        text << ", " << name << " code " << code.codewords << (code.complete ? " complete" : " incomplete");
    return text.str();
}

std::optional<std::vector<DeflateBlock>> deflateBlocksOf(std::string_view stream, std::string* inflated) {
    z_stream inflater{};
    if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    inflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    inflater.avail_in = static_cast<uInt>(stream.size());
    auto blocks = walk(inflater, stream, inflated);
    inflateEnd(&inflater);
    return blocks;
}

std::string refusedBlocksIn(const std::vector<DeflateBlock>& blocks) {
    std::string lines;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].refusedByWindows())
            lines += "block " + std::to_string(i) + ": " + blocks[i].describe() + "\n";
    }
    return lines;
}

std::string refusedDeflateBlocks(zip_t* archive) {
    std::ostringstream report;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t status;
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive, index, 0, &status) != 0 || status.comp_method != ZIP_CM_DEFLATE)
            continue;
        const std::optional<std::string> data = compressedDataOf(archive, index, status.comp_size);
        const auto blocks = data ? deflateBlocksOf(*data) : std::nullopt;
        if (!blocks)
            report << status.name << ": not a raw deflate stream\n";
        else if (const std::string refused = refusedBlocksIn(*blocks); !refused.empty())
            report << status.name << ":\n" << refused;
    }
    return report.str();
}
