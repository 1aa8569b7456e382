// The parallel deflate stage: chunk joins at their edges, the same stream for any number of workers,
// and failures that end the stream cleanly.
#include "Platform/Com/ParallelDeflate.h"

#include "tests/DeflateWalker.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <zip.h>
#include <zlib.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Platform::Com::ParallelDeflate;
constexpr std::size_t kChunk = ParallelDeflate::kChunkSize;

enum class Kind { text, incompressible, textAroundAChunkWithoutMatches };

// Each three-letter word over 64 letters once (a de Bruijn sequence, from Lyndon words in order): no three
// bytes repeat within deflate's window, so its blocks hold literals only.
std::string withoutRepeats(std::size_t size) {
    std::string data;
    std::vector<int> word{-1};
    while (data.size() < size) {
        ++word.back();
        if (3 % word.size() == 0) {
            for (const int letter : word)
                data += static_cast<char>('0' + letter);
        }
        for (std::size_t period = word.size(); word.size() < 3;)
            word.push_back(word[word.size() - period]);
        while (!word.empty() && word.back() == 63)
            word.pop_back();
        if (word.empty())
            word = {-1};
    }
    data.resize(size);
    return data;
}

// Text-like data (words from a small vocabulary) or incompressible bytes, the same on every run; or text
// with its second chunk made of literals only.
std::string makeData(std::size_t size, Kind kind) {
    static const char* const kWords[] = {"archive ", "folder ", "item ",    "deflate ", "chunk ",
                                         "the ",     "of ",     "stream\n", "42 ",      "copy "};
    std::mt19937 random(size);
    std::string data;
    while (data.size() < size) {
        if (kind == Kind::incompressible)
            data += static_cast<char>(random());
        else
            data += kWords[random() % std::size(kWords)];
    }
    data.resize(size);
    if (kind == Kind::textAroundAChunkWithoutMatches)
        data.replace(kChunk, kChunk, withoutRepeats(kChunk));
    return data;
}

struct Deflated {
    std::string stream;
    std::uint64_t bytesRead = 0;
    std::uint64_t compressedSize = 0;
    std::uint32_t crc = 0;
};

// Reads the whole stream of `path` in pieces of `piece` bytes.
Deflated deflateFile(const std::string& path, unsigned workers, std::size_t piece) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(file, 0) << path;
    Deflated result;
    {
        ParallelDeflate deflate(file, workers);
        std::vector<std::uint8_t> buffer(piece);
        std::int64_t got = 0;
        while ((got = deflate.read(buffer.data(), buffer.size())) > 0)
            result.stream.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
        EXPECT_EQ(got, 0) << "libzip error " << deflate.failure().zipError;
        EXPECT_TRUE(deflate.ended());
        result.bytesRead = deflate.bytesRead();
        result.compressedSize = deflate.compressedSize();
        result.crc = deflate.crc();
    }
    ::close(file);
    return result;
}

// What the stream inflates to; it must end exactly where the stream ends, and hold no block that
// Windows' reader refuses.
std::string inflateRaw(const std::string& stream) {
    std::string inflated;
    const auto blocks = deflateBlocksOf(stream, &inflated);
    EXPECT_TRUE(blocks) << "not a deflate stream";
    EXPECT_EQ(blocks ? refusedBlocksIn(*blocks) : "", "");
    return inflated;
}

std::uint32_t crcOf(const std::string& data) {
    return static_cast<std::uint32_t>(crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()),
                                            static_cast<uInt>(data.size())));
}

struct EdgeCase {
    const char* name;
    std::size_t size;
    Kind kind;
};

const EdgeCase kEdgeCases[] = {
    {"empty file", 0, Kind::text},
    {"one byte", 1, Kind::text},
    {"one byte short of a chunk", kChunk - 1, Kind::text},
    {"exactly one chunk", kChunk, Kind::text},
    {"one chunk and one byte", kChunk + 1, Kind::text},
    {"several chunks", 5 * kChunk + 12345, Kind::text},
    {"incompressible, one chunk and one byte", kChunk + 1, Kind::incompressible},
    {"incompressible, exactly three chunks", 3 * kChunk, Kind::incompressible},
    {"a middle chunk of literals only", 2 * kChunk + 100, Kind::textAroundAChunkWithoutMatches},
};

TEST(PlatformComParallelDeflateTest, EveryWorkerCountGivesTheSameStreamThatInflatesToTheFile) {
    TempFolder temp;
    const std::string path = temp.posix("item.bin");
    for (const EdgeCase& row : kEdgeCases) {
        SCOPED_TRACE(row.name);
        const std::string data = makeData(row.size, row.kind);
        writeFile(path, data);

        const Deflated single = deflateFile(path, 1, 65536);
        EXPECT_TRUE(inflateRaw(single.stream) == data) << "the stream inflates to the file";
        EXPECT_EQ(single.bytesRead, data.size());
        EXPECT_EQ(single.compressedSize, single.stream.size());
        EXPECT_EQ(single.crc, crcOf(data));
        // Other piece sizes cut the copy at other places of the chunks.
        const struct {
            unsigned workers;
            std::size_t piece;
        } kRuns[] = {{2, 4093}, {4, 1 << 20}, {4, 7}};
        for (const auto& run : kRuns) {
            if (run.piece < 64 && row.size > kChunk + 1)
                continue;
            const Deflated parallel = deflateFile(path, run.workers, run.piece);
            EXPECT_TRUE(parallel.stream == single.stream)
                << run.workers << " workers, pieces of " << run.piece;
            EXPECT_EQ(parallel.crc, single.crc) << run.workers << " workers";
            EXPECT_EQ(parallel.bytesRead, single.bytesRead) << run.workers << " workers";
        }
    }
}

TEST(PlatformComParallelDeflateTest, AReadErrorFailsTheStreamAndStopsTheWorkers) {
    TempFolder temp;
    const std::string path = temp.posix("item.bin");
    writeFile(path, makeData(3 * kChunk, Kind::text));
    const int writeOnly = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writeOnly, 0);
    for (const unsigned workers : {1u, 4u}) {
        ParallelDeflate deflate(writeOnly, workers);
        std::vector<std::uint8_t> buffer(4096);
        EXPECT_EQ(deflate.read(buffer.data(), buffer.size()), -1) << workers << " workers";
        EXPECT_EQ(deflate.failure().zipError, ZIP_ER_READ) << workers << " workers";
        EXPECT_EQ(deflate.failure().systemError, EBADF) << workers << " workers";
        EXPECT_EQ(deflate.read(buffer.data(), buffer.size()), -1) << "a failed stream stays failed";
        EXPECT_FALSE(deflate.ended());
    }
    ::close(writeOnly);
}

TEST(PlatformComParallelDeflateTest, AStreamLeftHalfReadStopsItsWorkers) {
    TempFolder temp;
    const std::string path = temp.posix("item.bin");
    writeFile(path, makeData(12 * kChunk, Kind::incompressible));
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    {
        ParallelDeflate deflate(file, 4);
        std::vector<std::uint8_t> buffer(kChunk);
        ASSERT_GT(deflate.read(buffer.data(), buffer.size()), 0);
        EXPECT_FALSE(deflate.ended());
    }
    ::close(file);
}

TEST(PlatformComParallelDeflateTest, WorkersFollowTheCoresAndASmallFileHasOne) {
    EXPECT_EQ(ParallelDeflate::workersFor(0), 1u);
    EXPECT_EQ(ParallelDeflate::workersFor(kChunk - 1), 1u);
    const unsigned large = ParallelDeflate::workersFor(std::uint64_t{5} << 30);
    EXPECT_GE(large, 1u);
    EXPECT_LE(large, 8u);
    EXPECT_LE(large, std::max(1u, std::thread::hardware_concurrency()));
}

TEST(PlatformComParallelDeflateTest, WorkersFollowTheCoresTheProcessMayUse) {
    cpu_set_t before;
    ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &before)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned workers = ParallelDeflate::workersFor(std::uint64_t{5} << 30);
    ASSERT_EQ(::sched_setaffinity(0, sizeof before, &before), 0);
    EXPECT_EQ(workers, 1u);
}

} // namespace
