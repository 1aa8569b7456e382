// Archives written by the shell stand-in, checked by other programs that read ZIP archives.
#include "tests/Platform/Com/ExternalPrograms.h"
#include "tests/Platform/Com/ShellSession.h"
#include "tests/Platform/TempFolder.h"
#include "tests/readers/ZipReaders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>

namespace {

struct Member {
    std::string name;
    std::string content;
    mode_t mode;
    std::time_t modified;
};

std::string sampleText() {
    std::string text;
    for (int i = 0; i < 8000; ++i)
        text += "entry " + std::to_string(i * 7919 % 10007) + " of a sample text that compresses well\n";
    return text;
}

std::string noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}

// Text and noise over several deflate chunks, so that the readers go through the joins.
std::string severalChunks() {
    std::string mixed;
    for (int part = 0; part < 3; ++part)
        mixed += sampleText() + noise(700 * 1024);
    return mixed;
}

const std::vector<Member>& members() {
    static const std::vector<Member> list = {
        {"r\u00E9sum\u00E9 \u65E5\u672C \U0001D11E.txt", sampleText(), 0644, 1600000000},
        {"empty.txt", "", 0600, 1262304000},
        {"noise.bin", noise(200 * 1024), 0755, 1700000002},
        {"chunks.bin", severalChunks(), 0644, 1650000000},
    };
    return list;
}

class PlatformComArchiveReadersTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(m_archive, kEmptyArchive);
        ShellSession shell;
        for (const Member& member : members()) {
            const std::string item = m_temp.posix(member.name);
            writeFile(item, member.content);
            ASSERT_EQ(::chmod(item.c_str(), member.mode), 0);
            const struct timespec times[2] = {{member.modified, 0}, {member.modified, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, item.c_str(), times, 0), 0);
            ASSERT_EQ(shell.move(m_archive, item), S_OK) << member.name;
        }
    }

    // Runs `command`, the archive path in place of %s.
    void expectReaderAccepts(const std::string& command, Outcome* outcome = nullptr) {
        std::string line = command;
        line.replace(line.find("%s"), 2, "'" + m_archive + "'");
        const Outcome result = run(line, m_temp.posix("output.txt"));
        EXPECT_EQ(result.status, 0) << line << "\n" << result.output;
        if (outcome != nullptr)
            *outcome = result;
    }

    TempFolder m_temp;
    std::string m_archive = m_temp.posix("out.zip");
};

std::optional<std::string> notInstalled(const std::string& program) {
    return installed(program) ? std::nullopt : std::optional(program + " is not installed");
}

TEST_F(PlatformComArchiveReadersTest, BsdtarListsIt) {
    ZIPREADERS_REQUIRE(notInstalled("bsdtar"));
    Outcome outcome;
    expectReaderAccepts("LC_ALL=C.UTF-8 bsdtar -tf %s", &outcome);
    std::string expected;
    for (const Member& member : members())
        expected += member.name + "\n";
    EXPECT_EQ(outcome.output, expected);
}

TEST_F(PlatformComArchiveReadersTest, PythonZipfileTestsIt) {
    ZIPREADERS_REQUIRE(notInstalled("python3"));
    const std::string script = m_temp.posix("check.py");
    writeFile(script, "import sys, zipfile\n"
                      "archive = zipfile.ZipFile(sys.argv[1])\n"
                      "bad = archive.testzip()\n"
                      "if bad is not None:\n"
                      "    sys.exit('bad entry: ' + bad)\n"
                      "for info in archive.infolist():\n"
                      "    print(info.filename, info.flag_bits & 0x800, oct(info.external_attr >> 16))\n");
    Outcome outcome;
    expectReaderAccepts("PYTHONIOENCODING=utf-8 python3 '" + script + "' %s", &outcome);
    EXPECT_EQ(outcome.output, "r\u00E9sum\u00E9 \u65E5\u672C \U0001D11E.txt 2048 0o100644\n"
                              "empty.txt 0 0o100600\n"
                              "noise.bin 0 0o100755\n"
                              "chunks.bin 0 0o100644\n");
}

TEST_F(PlatformComArchiveReadersTest, UnzipRestoresContentTimeAndPermissions) {
    ZIPREADERS_REQUIRE(notInstalled("unzip"));
    const std::string folder = m_temp.posix("extracted");
    expectReaderAccepts("LC_ALL=C.UTF-8 unzip -q -d '" + folder + "' %s");
    for (const Member& member : members()) {
        const std::string path = folder + "/" + member.name;
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0) << member.name;
        EXPECT_EQ(readFile(path), member.content) << member.name;
        EXPECT_EQ(info.st_mtime, member.modified) << member.name;
        EXPECT_EQ(info.st_mode & 07777, member.mode) << member.name;
    }
}

// Every reader, each reading back every byte of the four entries (zipdetails: dumping their structure);
// the parameter is the reader's place in ZipReaders::readers().
class PlatformComEveryReaderTest : public PlatformComArchiveReadersTest,
                                   public testing::WithParamInterface<std::size_t> {};

TEST_P(PlatformComEveryReaderTest, ReadsEveryByteOfEveryEntry) {
    const ZipReaders::Reader& reader = ZipReaders::readers().at(GetParam());
    ZIPREADERS_REQUIRE(ZipReaders::missing(reader));
    std::vector<ZipReaders::Listed> expected;
    for (const Member& member : members()) {
        const std::string& bytes = member.content;
        expected.push_back({member.name, bytes.size(), ZipReaders::crcAfter(0, bytes.data(), bytes.size())});
    }
    EXPECT_EQ(ZipReaders::problemReading(reader, m_archive, expected), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Readers, PlatformComEveryReaderTest,
                         testing::Range<std::size_t>(0, ZipReaders::readers().size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                             return ZipReaders::readers().at(info.param).name;
                         });

} // namespace
