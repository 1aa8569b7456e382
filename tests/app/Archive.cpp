// Test helper: what an archive holds, read with libzip, and whether the other ZIP readers read the same.
#include "tests/app/Archive.h"

#include <gtest/gtest.h>

#include <numeric>

namespace ToolTest {

namespace {

constexpr std::uint64_t kLargeData = std::uint64_t{1} << 30;

// Whether this is the first archive below kLargeData that the running test has checked.
bool firstOfTest() {
    static std::string last;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test == nullptr ? "" : std::string(test->test_suite_name()) + "." + test->name();
    return name != std::exchange(last, name);
}

} // namespace

std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path, std::uint64_t contentLimit) {
    return readZipEntries(path.c_str(), contentLimit);
}

std::vector<std::string> readersRejecting(const std::filesystem::path& path) {
    const std::optional<std::vector<ZipReaders::Listed>> expected = ZipReaders::listingOf(path);
    if (!expected)
        return {"libzip: cannot read every entry"};
    const std::uint64_t total =
        std::accumulate(expected->begin(), expected->end(), std::uint64_t{0},
                        [](std::uint64_t sum, const auto& entry) { return sum + entry.size; });
    const bool large = total > kLargeData;
    const bool first = !large && firstOfTest();
    std::vector<const ZipReaders::Reader*> chosen;
    for (const ZipReaders::Reader& reader : ZipReaders::readers()) {
        if (large ? reader.readsLargeDataFast : reader.startsQuickly || first)
            chosen.push_back(&reader);
    }
    return ZipReaders::rejecting(chosen, path, *expected);
}

std::vector<std::string> everyReaderRejecting(const std::filesystem::path& path,
                                              const std::vector<ZipReaders::Listed>& expected) {
    std::vector<const ZipReaders::Reader*> every;
    for (const ZipReaders::Reader& reader : ZipReaders::readers())
        every.push_back(&reader);
    return ZipReaders::rejecting(every, path, expected);
}

} // namespace ToolTest
