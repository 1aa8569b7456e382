// Tests of the trace operations and the trace sink: silent, one sink, lines formatted in full.
#include "Lang/Trace.h"

#include "Lang/TraceObserver.h"
#include "Lang/TraceSink.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Collects the lines the sink receives while it exists.
class LineCollector : public Lang::TraceObserver {
public:
    std::vector<std::string> narrowLines;
    std::vector<std::u16string> wideLines;

private:
    void observe(const std::string& line) override { narrowLines.push_back(line); }
    void observe(const std::u16string& line) override { wideLines.push_back(line); }
};

TEST(TraceSink, IsOneInstance) {
    EXPECT_EQ(&Lang::TraceSink::instance(), &Lang::TraceSink::instance());
}

TEST(Trace, WritesNothingToStandardStreams) {
    const std::string longText(1000, 'z');
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Lang::trace(u"source", "%s%s", "loc", ": Throwing X\r\n");
    Lang::trace(u"source", "%s", longText.c_str());
    Lang::traceWide(u"source", u"%ls%ls", u"loc", u": Throwing X\r\n");
    Lang::TraceSink::instance().write(std::string("direct"));
    Lang::TraceSink::instance().write(std::u16string(u"direct"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Trace, HandsTheFormattedLineToTheSink) {
    LineCollector collector;
    Lang::trace(u"ignored", "%s%s", "Lang/File(12) : f", ": Throwing X\r\n");
    Lang::traceWide(u"ignored", u"%ls%ls", u"Lang/File(12) : f", u": Throwing X\r\n");
    Lang::traceWide(u"ignored", u"%d-%s", 5, "narrow");
    EXPECT_EQ(collector.narrowLines, std::vector<std::string>{"Lang/File(12) : f: Throwing X\r\n"});
    EXPECT_EQ(collector.wideLines,
              (std::vector<std::u16string>{u"Lang/File(12) : f: Throwing X\r\n", u"5-narrow"}));
}

// Observers may end in any order; the one constructed last of those alive sees the lines.
TEST(TraceObserver, EndsInAnyOrder) {
    auto first = std::make_unique<LineCollector>();
    auto second = std::make_unique<LineCollector>();
    first.reset();
    Lang::trace(u"ignored", "%s", "one");
    EXPECT_EQ(second->narrowLines, std::vector<std::string>{"one"});
    auto third = std::make_unique<LineCollector>();
    second.reset();
    Lang::trace(u"ignored", "%s", "two");
    EXPECT_EQ(third->narrowLines, std::vector<std::string>{"two"});
    third.reset();
    Lang::trace(u"ignored", "%s", "three"); // with no observer left, the line goes nowhere
}

[[noreturn]] void traceAndThrow() {
    Lang::traceWide(u"source", u"%ls%ls", u"here", u": Throwing std::runtime_error(\"boom\")\r\n");
    throw std::runtime_error("boom");
}

TEST(Trace, LeavesTheFollowingExceptionAlone) {
    try {
        traceAndThrow();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "boom");
        return;
    }
    FAIL() << "no exception";
}

} // namespace
