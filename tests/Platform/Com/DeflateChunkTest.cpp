// A chunk holds no deflate block that Windows' built-in ZIP reader refuses, whatever its data, as the last
// chunk and as one that is not, and inflates back to its data.
#include "Platform/Com/DeflateChunk.h"

#include "tests/DeflateWalker.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Platform::Com::ChunkCompressor;

const std::string kEmptyStoredBlock = {'\x00', '\x00', '\xFF', '\xFF'};
// A final block with fixed codes that holds only its end code: closes a chunk that is not the last.
const std::string kClosingBlock = {'\x03', '\x00'};

// What is wrong with `input` deflated as a chunk; empty when nothing is.
std::string faultsOf(ChunkCompressor& compressor, const std::string& input, bool last) {
    std::vector<std::uint8_t> output;
    if (!compressor.compress(reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), last, output))
        return "not compressed";
    std::string stream(output.begin(), output.end());
    if (!last && !stream.ends_with(kEmptyStoredBlock))
        return "no empty stored block at the end";
    std::string inflated;
    const auto blocks = deflateBlocksOf(last ? stream : stream + kClosingBlock, &inflated);
    if (!blocks)
        return "not a deflate stream";
    return (inflated == input ? "" : "inflates to other data\n") + refusedBlocksIn(*blocks);
}

// Each input through both compressors: zlib sized to a small chunk, and libdeflate with its scan, as
// every larger chunk is deflated.
void expectReadableEitherWay(const std::string& input, const std::string& row) {
    static ChunkCompressor sizedZlib;
    static ChunkCompressor libdeflate(0);
    for (auto [compressor, name] :
         {std::pair{&sizedZlib, ", zlib"}, std::pair{&libdeflate, ", libdeflate"}}) {
        EXPECT_EQ(faultsOf(*compressor, input, true), "") << row << name << ", as the last chunk";
        EXPECT_EQ(faultsOf(*compressor, input, false), "") << row << name << ", as a chunk before others";
    }
}

std::string skewedBytes(std::mt19937& random, std::size_t size) {
    std::string data;
    while (data.size() < size) {
        char letter = 'A';
        while (letter < 'P' && random() % 2 == 0)
            ++letter;
        data += letter;
    }
    return data;
}

std::string wordsOfRandomLetters(std::mt19937& random, std::size_t size) {
    std::string data;
    while (data.size() < size) {
        for (unsigned letters = 2 + random() % 7; letters > 0; --letters)
            data += static_cast<char>('a' + random() % 26);
        data += ' ';
    }
    return data.substr(0, size);
}

std::string shortRuns(std::mt19937& random, std::size_t size) {
    std::string data;
    while (data.size() < size)
        data.append(1 + random() % 5, static_cast<char>(random()));
    return data.substr(0, size);
}

std::string twice(const std::string& text) {
    return text + text;
}

TEST(PlatformComDeflateChunkTest, DataThatInvitesEmptyOrOneCodewordCodesIsReadableByWindows) {
    std::mt19937 random(7);
    const struct {
        const char* name;
        std::string data;
    } kRows[] = {
        {"a text of 60 bytes", "Windows will show an error when trying to extract this file."},
        {"a single byte repeated", std::string(300, 'x')},
        {"one match distance only", twice("kqzvjwxbfpmyghcdtn")},
        {"literals only", "abacadaeafagahaiajakalamanaoapaqarasatauavawaxayaz"},
        {"short skewed bytes", skewedBytes(random, 64)},
    };
    for (const auto& row : kRows)
        expectReadableEitherWay(row.data, row.name);
}

TEST(PlatformComDeflateChunkTest, SmallInputsOfFewRepeatsAreReadableByWindows) {
    std::mt19937 random(20240601);
    std::string (*const kMakers[])(std::mt19937&, std::size_t) = {wordsOfRandomLetters, skewedBytes,
                                                                  shortRuns};
    for (int input = 0; input < 300; ++input) {
        const std::string data = kMakers[input % std::size(kMakers)](random, 16 + random() % 400);
        expectReadableEitherWay(data, "input " + std::to_string(input));
    }
}

// Either side of the sizes where zlib's window grows and where libdeflate takes over.
TEST(PlatformComDeflateChunkTest, ChunksAtTheWindowSizesAreReadableByWindows) {
    std::mt19937 random(9);
    for (std::size_t size : {0, 1, 512, 513, 1024, 1025, 16384, 16385, 32767, 32768, 32769}) {
        expectReadableEitherWay(wordsOfRandomLetters(random, size), std::to_string(size) + " bytes of words");
        expectReadableEitherWay(shortRuns(random, size), std::to_string(size) + " bytes of short runs");
    }
}

// A small chunk's window, sized to it, still reaches back to its start: its second half, a copy of the
// first, costs almost nothing.
TEST(PlatformComDeflateChunkTest, ASmallChunksWindowReachesItsStart) {
    std::mt19937 random(11);
    for (std::size_t size : {600, 1024, 4096, 32768}) {
        std::string half(size / 2, '\0');
        for (char& byte : half)
            byte = static_cast<char>(random());
        const std::string input = twice(half);
        ChunkCompressor compressor;
        std::vector<std::uint8_t> output;
        ASSERT_TRUE(
            compressor.compress(reinterpret_cast<const std::uint8_t*>(input.data()), size, true, output));
        EXPECT_LT(output.size(), size / 2 + size / 32 + 64) << size << " bytes";
    }
}

} // namespace
