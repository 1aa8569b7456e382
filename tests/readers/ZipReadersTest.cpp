// The reader checks themselves: a reader's output and ending against the entries expected, and CI's rule.
#include "tests/readers/ZipReaders.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using ZipReaders::Listed;
using ZipReaders::Output;
using ZipReaders::Reader;

// "abc" (CRC-32 352441c2) and an empty entry named with a non-ASCII letter.
const std::vector<Listed> kEntries = {{"one", 3, 0x352441c2}, {"t\xC3\xA9", 0, 0}};
const std::string kListing = "printf '6f6e65 3 352441c2\\n74c3a9 0 00000000\\n'";

// A reader that runs `shell` in place of reading the archive.
Reader fake(const std::string& shell, Output output) {
    return {"fake", "true", "", ": %s; " + shell, output, true, true};
}

TEST(ZipReadersCheck, AcceptsExactlyTheEntriesExpectedAndACleanEnd) {
    struct Case {
        const char* what;
        Output output;
        std::string shell;
        bool accepted;
    };
    const Case cases[] = {
        {"the entries listed", Output::Listing, kListing, true},
        {"another CRC-32", Output::Listing, "printf '6f6e65 3 352441c3\\n74c3a9 0 00000000\\n'", false},
        {"another size", Output::Listing, "printf '6f6e65 4 352441c2\\n74c3a9 0 00000000\\n'", false},
        {"a name's bytes changed", Output::Listing, "printf '6f6e65 3 352441c2\\n74e9 0 00000000\\n'", false},
        {"an entry left out", Output::Listing, "printf '6f6e65 3 352441c2\\n'", false},
        {"an entry more", Output::Listing, kListing + "; printf '78 0 00000000\\n'", false},
        {"the entries in another order", Output::Listing, "printf '74c3a9 0 00000000\\n6f6e65 3 352441c2\\n'",
         false},
        {"a name not in hex", Output::Listing, "printf 'one 3 352441c2\\n74c3a9 0 00000000\\n'", false},
        {"a size not a number", Output::Listing, "printf '6f6e65 3x 352441c2\\n74c3a9 0 00000000\\n'", false},
        {"a failing exit", Output::Listing, kListing + "; exit 2", false},
        {"a warning on standard error", Output::Listing, kListing + "; echo 'extra field' >&2", false},
        {"the bytes of both entries", Output::Bytes, "printf abc", true},
        {"a byte changed", Output::Bytes, "printf abd", false},
        {"a byte more", Output::Bytes, "printf abcd", false},
        {"a complete dump", Output::Dump, "printf 'LOCAL HEADER #1\\nDone\\n'", true},
        {"a dump with a warning", Output::Dump, "printf 'WARNING: CRC\\nDone\\n'", false},
        {"a dump that meets an unexpected end", Output::Dump, "printf 'Unexpected END at offset 4\\nDone\\n'",
         false},
        {"a dump cut short", Output::Dump, "printf 'LOCAL HEADER #1\\n'", false},
    };
    for (const Case& c : cases) {
        const auto problem = ZipReaders::problemReading(fake(c.shell, c.output), "unused.zip", kEntries);
        EXPECT_EQ(!problem.has_value(), c.accepted) << c.what << ": " << problem.value_or("accepted");
    }
}

TEST(ZipReadersCheck, AReaderThatCannotRunFailsOnlyInCi) {
    const char* const ci = std::getenv("CI");
    const std::string saved = ci != nullptr ? ci : "";
    const Reader absent{"absent", "false", "absent is not installed (absent)", ": %s", Output::Dump,
                        true,     true};
    ::unsetenv("CI");
    EXPECT_EQ(ZipReaders::rejecting({&absent}, "unused.zip", kEntries), std::vector<std::string>{});
    ::setenv("CI", "true", 1);
    EXPECT_EQ(ZipReaders::rejecting({&absent}, "unused.zip", kEntries),
              std::vector<std::string>{"absent: absent is not installed (absent)"});
    if (ci != nullptr)
        ::setenv("CI", saved.c_str(), 1);
    else
        ::unsetenv("CI");
}

} // namespace
