// Tests of the progress line: only on a terminal, only after the delay, one line redrawn in place.
#include "Platform/Com/ProgressLine.h"

#include "tests/Platform/Com/Terminal.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

namespace {

using Platform::Com::ProgressLine;
using namespace std::chrono_literals;

TEST(PlatformComProgressLineTest, DrawsOnATerminalAfterTheDelay) {
    const struct {
        const char* name;
        std::chrono::milliseconds delay;
        std::uint64_t total;
        std::vector<std::uint64_t> updates;
        std::string expected;
    } cases[] = {
        {"each new percentage once",
         0ms,
         200,
         {0, 1, 2, 100, 101, 200},
         "\rCompressing:   0%\rCompressing:   1%\rCompressing:  50%\rCompressing: 100%\n"},
        {"rounds down", 0ms, 3, {1, 2, 3}, "\rCompressing:  33%\rCompressing:  66%\rCompressing: 100%\n"},
        {"nothing done yet", 0ms, 10, {0}, "\rCompressing:   0%\n"},
        {"empty file", 0ms, 0, {0}, "\rCompressing: 100%\n"},
        {"more than expected", 0ms, 10, {5, 20}, "\rCompressing:  50%\rCompressing: 100%\n"},
        {"no update, no line", 0ms, 10, {}, ""},
        {"before the delay, no line", 1h, 10, {1, 5, 10}, ""},
    };
    for (const auto& c : cases) {
        Terminal terminal;
        {
            ProgressLine progress(terminal.side(), c.delay, c.total);
            for (const std::uint64_t done : c.updates)
                progress.update(done);
        }
        EXPECT_EQ(terminal.written(), c.expected) << c.name;
    }
}

TEST(PlatformComProgressLineTest, ShowsNothingWhereNoTerminalIs) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    for (const int output : {pipeEnds[1], -1}) {
        ProgressLine progress(output, 0ms, 10);
        progress.update(5);
        progress.update(10);
    }
    ::close(pipeEnds[1]);
    char byte = 0;
    EXPECT_EQ(::read(pipeEnds[0], &byte, 1), 0) << "nothing was written to the pipe";
    ::close(pipeEnds[0]);
}

} // namespace
