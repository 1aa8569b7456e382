// Test helper: what an archive holds, read with libzip, and whether the other ZIP readers read the same.
#pragma once

#include "tests/ZipEntries.h"
#include "tests/readers/ZipReaders.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ToolTest {

using Entry = ZipEntry;

// The entries of the archive at `path`; nothing when libzip cannot open it. Contents are read only
// for entries up to `contentLimit` bytes.
std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path,
                                              std::uint64_t contentLimit = 64 << 20);

// The readers that do not read every byte of every entry as libzip lists it, each as "name: what it
// did" (see ZipReaders::rejecting for a reader that cannot run). To keep the readers' share of a run
// small (about 16 s over the 30-odd archives of ZipfileToolTest), a reader that starts slowly (Python,
// Java and Perl, 0.1 to 0.25 s an archive) reads only the first archive of each test, and an archive
// holding more than 1 GiB is read only by the readers that read large data fast (the others take 10
// to 35 s for 4 GiB). The archives within one test differ in how the tool was run more than in what
// they hold; ArchiveReadersTest reads its four-entry archive, and the slow group archives around
// 4 GiB, with every reader.
std::vector<std::string> readersRejecting(const std::filesystem::path& path);

// Every reader that does not read exactly `expected` from the archive at `path`.
std::vector<std::string> everyReaderRejecting(const std::filesystem::path& path,
                                              const std::vector<ZipReaders::Listed>& expected);

} // namespace ToolTest
