// The slow group: files around 4 GiB packed by the tool, their headers checked, and read back whole by every
// reader.
#include "tests/ZipHeaders.h"
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <iomanip>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

// A sparse file of `size` bytes with a marker at its start, in its middle and at its end.
void writeSparseFile(const fs::path& path, std::uint64_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::ftruncate(file, static_cast<off_t>(size)), 0);
    for (const std::uint64_t at : {std::uint64_t{0}, size / 2, size - 6})
        ASSERT_EQ(::pwrite(file, "marker", 6, static_cast<off_t>(at)), 6);
    ::close(file);
}

// The file as the readers should find it packed: its name, the bytes read from it and their CRC-32.
ZipReaders::Listed listed(const fs::path& path) {
    ZipReaders::Listed entry{path.filename().string()};
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(1 << 20);
    for (ssize_t got; (got = ::read(file, buffer.data(), buffer.size())) > 0; entry.size += got)
        entry.crc = ZipReaders::crcAfter(entry.crc, buffer.data(), static_cast<std::size_t>(got));
    ::close(file);
    return entry;
}

struct Case {
    std::uint64_t size;
    bool move;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.size << " bytes, " << (c.move ? "moved" : "copied");
}

class SizeBoundary : public testing::TestWithParam<Case> {};

TEST_P(SizeBoundary, EveryReaderReadsTheWholeFile) {
    const Case c = GetParam();
    const TempFolder folder;
    const fs::path item = fs::path(folder.path()) / "big.bin";
    ASSERT_NO_FATAL_FAILURE(writeSparseFile(item, c.size));
    const std::vector<ZipReaders::Listed> expected = {listed(item)};
    ASSERT_EQ(expected.front().size, c.size);

    const RunResult run =
        runTool(c.move ? std::vector<std::string>{"big.bin", "true"} : std::vector<std::string>{"big.bin"},
                folder.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(fs::exists(item), !c.move);
    const fs::path archive = fs::path(folder.path()) / "big.bin.zip";
    EXPECT_EQ(ZipReaders::listingOf(archive), expected) << "libzip";
    EXPECT_EQ(headerFaults(archive), "");
    const auto headers = readHeaders(archive);
    ASSERT_TRUE(headers.has_value());
    EXPECT_EQ(headers->zip64EndRecords, c.size >= 0xFFFFFFFF) << "ZIP64 end records as zip writes them";
    // A move writes the same archive as a copy: the readers take their minutes once per size.
    if (!c.move) {
        EXPECT_EQ(everyReaderRejecting(archive, expected), std::vector<std::string>{});
    }
}

std::string caseName(const testing::TestParamInfo<Case>& info) {
    std::ostringstream name;
    name << std::hex << std::uppercase << info.param.size << (info.param.move ? "Moved" : "Copied");
    return name.str();
}

// 4 GiB less two bytes, less one byte and exactly 4 GiB: where a size stops fitting the 32-bit fields of
// the ZIP headers, and the value 0xFFFFFFFF itself means "see the ZIP64 field".
INSTANTIATE_TEST_SUITE_P(AroundFourGibibytes, SizeBoundary,
                         testing::Values(Case{0xFFFFFFFE, false}, Case{0xFFFFFFFE, true},
                                         Case{0xFFFFFFFF, false}, Case{0xFFFFFFFF, true},
                                         Case{0x100000000, false}, Case{0x100000000, true}),
                         caseName);

} // namespace
