// End-to-end tests of a run that Ctrl-C, TERM or HUP asks to end: it ends like a failure, cleaned up.
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdint>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

constexpr std::size_t kItemSize = 32 << 20;

// The size of the largest temporary archive in `folder`, not counting the moved item's second name (a
// second link of the item); -1 when there is none.
std::intmax_t largestTemporaryArchive(const fs::path& folder) {
    std::intmax_t largest = -1;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.path().filename().string().starts_with("zipfile-") && entry.hard_link_count(ignored) == 1)
            largest = std::max(largest, static_cast<std::intmax_t>(entry.file_size(ignored)));
    }
    return largest;
}

// Where in the run the signal lands: once a temporary archive has at least `size` bytes (the staged one
// has 22, the shell's new one grows).
struct Point {
    const char* label;
    std::intmax_t size;
};

const Point kStaged{"once the staged archive is made", 0};
const Point kWriting{"while the new archive is written", 4 << 20};
const Point kWritten{"as the new archive is nearly written", kItemSize - (1 << 20)};

TEST(Interrupt, ASignalEndsTheRunAsAFailureAndLeavesEverythingAsItWas) {
    struct Case {
        int signal;
        Point point;
        bool move;
    };
    const Case cases[] = {
        {SIGINT, kStaged, true},   {SIGINT, kWriting, false}, {SIGINT, kWriting, true},
        {SIGTERM, kStaged, false}, {SIGTERM, kWriting, true}, {SIGTERM, kWritten, true},
        {SIGHUP, kWriting, false}, {SIGINT, kWritten, false},
    };
    const std::string item = noise(kItemSize, 7);
    for (const Case& c : cases) {
        const std::string label =
            std::string(strsignal(c.signal)) + " " + c.point.label + (c.move ? ", move" : ", copy");
        const TempFolder scratch;
        const fs::path dir(scratch.path());
        writeFile(dir / "big.bin", item);
        writeFile(dir / "big.bin.zip", "archive from an earlier move");
        const std::vector<std::string> before = listFolder(dir);
        const RunOptions options{.signal = c.signal,
                                 .signalWhen = [&] { return largestTemporaryArchive(dir) >= c.point.size; }};
        const RunResult run = runTool(c.move ? std::vector<std::string>{"big.bin", "true"}
                                             : std::vector<std::string>{"big.bin"},
                                      dir, options);
        if (run.status == 0 && c.point.label == kWritten.label) {
            // Near the end the run may put the archive in place before the signal, or end before it is
            // sent: either way the run is complete.
            EXPECT_EQ(readArchive(dir / "big.bin.zip")->front().content, item) << label;
            continue;
        }
        ASSERT_TRUE(run.signalled) << label << ": the run ended first";
        EXPECT_EQ(run.status, 128 + c.signal) << label << ": " << run.err;
        EXPECT_EQ(run.err, "zipfile: The operation was canceled by the user.\n") << label;
        EXPECT_EQ(listFolder(dir), before) << label;
        EXPECT_EQ(readFile(dir / "big.bin"), item) << label;
        EXPECT_EQ(readFile(dir / "big.bin.zip"), "archive from an earlier move") << label;
    }
}

} // namespace
