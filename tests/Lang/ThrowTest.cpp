// Tests of the throw protocol: trace line first, then the exception with the site's location.
#include "Lang/Throw.h"
#include "Lang/NullPointerException.h"
#include "Lang/TraceObserver.h"

#include "Lang/StringCast.h"
#include "tests/PrintableText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Lang::String;

// Records the trace lines the sink receives while it exists.
class TraceRecorder : public Lang::TraceObserver {
public:
    std::vector<std::string> narrowLines;
    std::vector<String> wideLines;

private:
    void observe(const std::string& line) override { narrowLines.push_back(line); }
    void observe(const String& line) override { wideLines.push_back(line); }
};

// Remembers how many trace lines existed when it was built.
class ProbeException : public Lang::Exception {
public:
    explicit ProbeException(const TraceRecorder& recorder)
        : Exception(u"file is not open", Lang::unknownLocation()),
          linesBeforeConstruction(recorder.narrowLines.size() + recorder.wideLines.size()) {}
    std::size_t linesBeforeConstruction;
};

} // namespace

namespace System::Io {
class File {};
} // namespace System::Io

namespace System::Win32 {
struct PathTraits {};
} // namespace System::Win32

namespace System::Private {
template <class Traits>
struct PathStringParser {
    static void findRoot(const TraceRecorder& recorder) { LANG_THROW(ProbeException(recorder)); }
    static int parseNarrow() {
        LANG_THROW_NARROW(Lang::Exception(std::string("Invalid path"), std::string()));
    }
};
} // namespace System::Private

namespace {

using Parser = System::Private::PathStringParser<System::Win32::PathTraits>;

const String kParserFunction = u") : System::Private::PathStringParser<System::Win32::PathTraits>::";

bool isSiteLocation(const String& location, const String& function) {
    return location.starts_with(u"tests/Lang/ThrowTest(") && location.ends_with(kParserFunction + function);
}

TEST(ThrowTest, TracesBeforeBuildingAndThrowsWithTheSiteLocation) {
    TraceRecorder recorder;
    try {
        Parser::findRoot(recorder);
        FAIL() << "nothing thrown";
    } catch (const ProbeException& e) {
        EXPECT_EQ(e.linesBeforeConstruction, 1u);
        EXPECT_EQ(std::string(e.what()), "file is not open");
        const String location = e.getLocation();
        EXPECT_TRUE(isSiteLocation(location, u"findRoot")) << printable(location);
        ASSERT_EQ(recorder.wideLines.size(), 1u);
        EXPECT_TRUE(recorder.narrowLines.empty());
        EXPECT_EQ(recorder.wideLines[0], location + u": Throwing ProbeException(recorder)\r\n");
    }
}

TEST(ThrowTest, NarrowSitesTraceNarrowLines) {
    TraceRecorder recorder;
    try {
        Parser::parseNarrow();
        FAIL() << "nothing thrown";
    } catch (const Lang::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid path");
        const String location = e.getLocation();
        EXPECT_TRUE(isSiteLocation(location, u"parseNarrow")) << printable(location);
        ASSERT_EQ(recorder.narrowLines.size(), 1u);
        EXPECT_TRUE(recorder.wideLines.empty());
        EXPECT_EQ(recorder.narrowLines[0],
                  Xtl::string_cast<std::string>(location) +
                      ": Throwing Lang::Exception(std::string(\"Invalid path\"), std::string())\r\n");
    }
}

TEST(ThrowTest, ThrowsTheStaticTypeOfTheExpressionBuiltOnce) {
    int builds = 0;
    const auto build = [&builds] {
        ++builds;
        return Lang::NullPointerException(typeid(System::Io::File), Lang::unknownLocation());
    };
    try {
        LANG_THROW(build());
    } catch (const Lang::NullPointerException& e) {
        EXPECT_EQ(builds, 1);
        EXPECT_EQ(std::string(e.what()), "NULL class System::Io::File pointer");
        const String location = e.getLocation();
        EXPECT_TRUE(location.starts_with(u"tests/Lang/ThrowTest(")) << printable(location);
    }
}

} // namespace
