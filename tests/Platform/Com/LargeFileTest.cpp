// A 5 GiB file into a compressed folder: a ZIP64 entry, a progress line on a terminal, flat memory.
#include "tests/Platform/Com/ExternalPrograms.h"
#include "tests/Platform/Com/ShellSession.h"
#include "tests/Platform/Com/Terminal.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint64_t kSize = std::uint64_t{5} << 30;
constexpr long kMemoryLimitKiB = 32 * 1024;

// A sparse file of `size` bytes with a marker at its start, beyond 4 GiB and at its end.
void writeSparseFile(const std::string& path, std::uint64_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::ftruncate(file, static_cast<off_t>(size)), 0);
    const std::uint64_t markers[] = {0, (std::uint64_t{4} << 30) + 1, size - 6};
    for (const std::uint64_t at : markers)
        ASSERT_EQ(::pwrite(file, "marker", 6, static_cast<off_t>(at)), 6);
    ::close(file);
}

std::uint32_t crcOfFile(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<Bytef> buffer(1 << 20);
    uLong crc = crc32(0, Z_NULL, 0);
    ssize_t got = 0;
    while ((got = ::read(file, buffer.data(), buffer.size())) > 0)
        crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
    ::close(file);
    return static_cast<std::uint32_t>(crc);
}

// The copy runs in a child whose standard error is a terminal, with empty options; the child
// reports through its exit status whether the copy succeeded and how much memory it used.
struct ChildResult {
    bool succeeded = false;
    long peakKiB = 0;
};

ChildResult copyOnATerminal(const std::string& archive, const std::string& item, Terminal& terminal) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(terminal.side(), STDERR_FILENO);
        ShellSession shell;
        ::_exit(shell.copy(archive, item, Variant()) == S_OK ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, usage.ru_maxrss};
}

TEST(PlatformComLargeFileTest, FiveGibibytesBecomeAZip64EntryWithAProgressLine) {
    TempFolder temp;
    const std::string archive = temp.posix("big.zip");
    const std::string item = temp.posix("big.bin");
    writeFile(archive, kEmptyArchive);
    writeSparseFile(item, kSize);
    Terminal terminal;

    const ChildResult result = copyOnATerminal(archive, item, terminal);
    ASSERT_TRUE(result.succeeded);
    EXPECT_LT(result.peakKiB, kMemoryLimitKiB) << "memory does not grow with the file";

    const std::string line = terminal.written();
    EXPECT_EQ(line.rfind("\rCompressing: ", 0), 0u) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_TRUE(line.ends_with("\rCompressing: 100%\n")) << line;

    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(zip, nullptr) << "libzip error " << error;
    zip_stat_t status;
    ASSERT_EQ(zip_stat_index(zip, 0, 0, &status), 0);
    EXPECT_EQ(status.size, kSize);
    EXPECT_EQ(status.crc, crcOfFile(item));
    EXPECT_LT(status.comp_size, kSize / 100);
    zip_discard(zip);

    if (!installed("7z"))
        GTEST_SKIP() << "7z is not installed to check the data";
    const Outcome tested = run("7z t '" + archive + "'", temp.posix("7z.txt"));
    EXPECT_EQ(tested.status, 0) << tested.output;
}

} // namespace
