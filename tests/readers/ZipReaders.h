// Test helper: other programs that read ZIP archives back, byte for byte, checked against the entries.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ZipReaders {

// An entry as a reader should find it: its name, its size and the CRC-32 of its bytes.
struct Listed {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const Listed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Listed& entry);

// The CRC-32 of `count` bytes after bytes whose CRC-32 is `crc` (0 for none).
std::uint32_t crcAfter(std::uint32_t crc, const void* bytes, std::size_t count);

// The entries of the archive at `path` as libzip finds them in its central directory, with its
// consistency checks; nothing when libzip cannot open the archive.
std::optional<std::vector<Listed>> listingOf(const std::string& path);

// What a reader's standard output holds.
enum class Output {
    Listing, // a line per entry: the name's bytes in hex, the size, the CRC-32 of the bytes read
    Bytes,   // the bytes of every entry, one after the other
    Dump,    // a structure dump ending in "Done", with no warning
};

struct Reader {
    std::string name;    // as results show it, also a test name: letters and digits only
    std::string probe;   // a shell command that succeeds when the reader can run
    std::string absent;  // what is missing when the probe fails
    std::string command; // a shell command, "%s" standing for the archive's path
    Output output;
    bool startsQuickly; // reads a small archive in under 0.1 s: no virtual machine or ZIP modules to load
    bool readsLargeDataFast; // 2 GB/s of inflated bytes or more, or inflates nothing
};

// Every reader, whether it can run here or not.
const std::vector<Reader>& readers();

// Why `reader` cannot run here, naming the missing program; nothing when it can.
std::optional<std::string> missing(const Reader& reader);

// Nothing when `reader` read exactly `expected` from the archive at `path` and did not complain;
// otherwise what it did.
std::optional<std::string> problemReading(const Reader& reader, const std::string& path,
                                          const std::vector<Listed>& expected);

// Each of `chosen` that does not read `expected` from the archive, as "name: what it did". A reader
// that cannot run is one of them where the environment variable CI is set; elsewhere it is left out,
// with a note on standard error the first time.
std::vector<std::string> rejecting(const std::vector<const Reader*>& chosen, const std::string& path,
                                   const std::vector<Listed>& expected);

// Whether the tests run in CI, where a reader that cannot run is a failure rather than a skip.
bool inCi();

} // namespace ZipReaders

// Ends the test when `absence`, an optional text, says why a reader cannot run: in CI it fails, elsewhere
// it is skipped, with that text.
#define ZIPREADERS_REQUIRE(absence)                                                                          \
    do {                                                                                                     \
        if (const std::optional<std::string> absent = (absence)) {                                           \
            if (ZipReaders::inCi())                                                                          \
                FAIL() << *absent;                                                                           \
            GTEST_SKIP() << *absent;                                                                         \
        }                                                                                                    \
    } while (false)
