// The zipfile tool racing other processes on the same file: two runs at once, and a run while another
// process appends to the file. Each ends with a valid archive or a clean failure, and no data is lost.
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

const std::string kItem = "a.bin";
const std::string kArchive = "a.bin.zip";
// Large enough that packing takes a while, so that the other process acts while the run reads.
constexpr std::size_t kItemSize = 8 << 20;
const std::string kChunk = "appended chunk.\n";

std::vector<std::string> words(bool move) {
    return move ? std::vector<std::string>{kItem, "true"} : std::vector<std::string>{kItem};
}

void expectCleanEnd(const RunResult& run, const std::string& row) {
    EXPECT_EQ(run.out, "") << row;
    if (run.status == 0)
        return;
    EXPECT_EQ(run.status, 3) << row;
    EXPECT_EQ(run.err.rfind("zipfile: ", 0), 0u) << row << ": " << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << row << ": " << run.err;
}

// The single entry's content, or nothing when the archive is missing or not valid.
std::optional<std::string> archivedContent(const fs::path& archive) {
    const auto entries = readArchive(archive);
    if (!entries || entries->size() != 1 || entries->front().name != kItem)
        return std::nullopt;
    return entries->front().content;
}

// Appends whole chunks, opening the file by its name each time, until told to stop; counts the chunks
// that went into a file of that name.
class Appender {
public:
    explicit Appender(fs::path path) : m_path(std::move(path)), m_thread([this] { run(); }) {}
    ~Appender() { stop(); }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    std::size_t stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_appended;
    }

private:
    void run() {
        while (!m_stop) {
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd >= 0 && ::write(fd, kChunk.data(), kChunk.size()) == static_cast<ssize_t>(kChunk.size()))
                ++m_appended;
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    fs::path m_path;
    std::atomic<bool> m_stop{false};
    std::size_t m_appended = 0;
    std::thread m_thread;
};

class ConcurrentRun : public testing::Test {
protected:
    fs::path dir() const { return fs::path(m_folder.path()); }
    fs::path item() const { return dir() / kItem; }
    fs::path archive() const { return dir() / kArchive; }

    void expectNoStrayFiles(const std::string& row) {
        for (const std::string& name : listFolder(dir()))
            EXPECT_TRUE(name == kItem || name == kArchive) << row << ": " << name;
    }

private:
    TempFolder m_folder;
};

TEST_F(ConcurrentRun, TwoRunsOnTheSameFileEndSoundly) {
    const std::string content = noise(kItemSize, 7);
    for (const bool move : {false, true}) {
        const std::string row = move ? "two moves" : "two copies";
        fs::remove(archive());
        writeFile(item(), content);
        RunResult first;
        RunResult second;
        std::thread other([&] { second = runTool(words(move), dir()); });
        first = runTool(words(move), dir());
        other.join();
        expectCleanEnd(first, row);
        expectCleanEnd(second, row);
        const bool itemThere = fs::exists(item());
        if (itemThere) {
            EXPECT_TRUE(readFile(item()) == content) << row << ": the file changed";
        }
        const bool someSucceeded = first.status == 0 || second.status == 0;
        if (someSucceeded) {
            EXPECT_TRUE(archivedContent(archive()) == content)
                << row << ": the archive does not hold the file";
        } else {
            EXPECT_FALSE(fs::exists(archive())) << row;
        }
        EXPECT_TRUE(itemThere || someSucceeded) << row;
        expectNoStrayFiles(row);
    }
}

// A copy holds the file as it was at one moment, or fails; a move never removes data appended after the
// file was read: it fails and the file stays whole.
TEST_F(ConcurrentRun, RunWhileAnotherProcessAppendsLosesNothing) {
    const std::string content = noise(kItemSize, 11);
    for (const bool move : {false, true}) {
        const std::string row = move ? "move while appending" : "copy while appending";
        fs::remove(archive());
        writeFile(item(), content);
        Appender appender(item());
        const RunResult run = runTool(words(move), dir());
        const std::size_t appended = appender.stop();
        std::string expected = content;
        for (std::size_t i = 0; i < appended; ++i)
            expected += kChunk;
        expectCleanEnd(run, row);
        ASSERT_GT(appended, 0u) << row;
        const auto archived = archivedContent(archive());
        if (fs::exists(item())) {
            EXPECT_TRUE(readFile(item()) == expected) << row << ": the file lost data";
        } else {
            EXPECT_TRUE(archived == expected) << row << ": the appended data is lost";
        }
        // A failure leaves no archive, but for a move whose file was written to in the moment after its
        // archive was put in place: then the file stays, and the archive holds a snapshot too.
        if (run.status == 0 || archived.has_value()) {
            ASSERT_TRUE(archived.has_value()) << row;
            EXPECT_EQ(expected.compare(0, archived->size(), *archived), 0) << row << ": not a snapshot";
            EXPECT_EQ((archived->size() - content.size()) % kChunk.size(), 0u) << row << ": not a snapshot";
        } else {
            EXPECT_FALSE(fs::exists(archive())) << row;
        }
        expectNoStrayFiles(row);
    }
}

// A move whose file is written to through a descriptor opened before the run, after the file's name went
// and before the run ends: the file keeps every byte at its name, and the run fails.
TEST_F(ConcurrentRun, AWriteAfterTheNameWentIsNotLost) {
    const std::string content = noise(kItemSize * 4, 13);
    writeFile(item(), content);
    const int file = ::open(item().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(file, 0);
    std::atomic<bool> runEnded{false};
    bool written = false;
    std::thread writer([&] {
        while (fs::exists(item()) && !runEnded)
            std::this_thread::yield();
        written =
            !runEnded && ::write(file, kChunk.data(), kChunk.size()) == static_cast<ssize_t>(kChunk.size());
    });
    const RunResult run = runTool(words(true), dir());
    runEnded = true;
    writer.join();
    ::close(file);
    expectCleanEnd(run, "late write");
    if (!written)
        GTEST_SKIP() << "the file's name did not go while the run lasted";
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(readFile(item()) == content + kChunk) << "the late write is lost";
    expectNoStrayFiles("late write");
}

} // namespace
