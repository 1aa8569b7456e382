// Tests of completing the ZIP64 fields libzip leaves empty: archives that libzip writes with an entry of
// exactly 0xFFFFFFFF bytes (claimed by a source, so nothing that large is written), before and after.
#include "Platform/Com/Zip64Fields.h"

#include "tests/Platform/Com/ExternalPrograms.h"
#include "tests/Platform/TempFolder.h"
#include "tests/ZipHeaders.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// Hands libzip `compressed` as already deflated data of `size` bytes with `crc`, telling the compressed size
// and CRC only once it is read, as the tool's own source does (so libzip's local header has room for both
// sizes where they may overflow).
struct ClaimedEntry {
    std::uint64_t size;
    std::string compressed = "\x03\x00";
    std::uint32_t crc = 0x12345678;
    std::size_t offset = 0;
};

zip_int64_t claimedSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& entry = *static_cast<ClaimedEntry*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        entry.offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t count = std::min<std::size_t>(length, entry.compressed.size() - entry.offset);
        std::memcpy(data, entry.compressed.data() + entry.offset, count);
        entry.offset += count;
        return static_cast<zip_int64_t>(count);
    }
    case ZIP_SOURCE_STAT: {
        auto* status = static_cast<zip_stat_t*>(data);
        zip_stat_init(status);
        status->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
        if (entry.offset == entry.compressed.size())
            status->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
        status->size = entry.size;
        status->comp_size = entry.compressed.size();
        status->crc = entry.crc;
        status->comp_method = ZIP_CM_DEFLATE;
        status->encryption_method = ZIP_EM_NONE;
        status->mtime = 1600000000;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return 0;
    }
}

// An archive written by libzip itself with entries of the claimed sizes, and `comment`.
void writeArchive(const std::string& path, std::vector<ClaimedEntry>& entries, const char* comment) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        zip_source_t* source = zip_source_function(archive, claimedSource, &entries[i]);
        ASSERT_GE(zip_file_add(archive, ("entry" + std::to_string(i)).c_str(), source, 0), 0);
    }
    if (comment != nullptr) {
        ASSERT_EQ(zip_set_archive_comment(archive, comment, static_cast<zip_uint16_t>(std::strlen(comment))),
                  0);
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

bool completeFieldsOf(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool completed = Platform::Com::completeZip64Fields(file);
    ::close(file);
    return completed;
}

TEST(PlatformComZip64FieldsTest, TheValuesLibzipLeavesOutArePutIn) {
    struct Case {
        const char* label;
        std::vector<std::uint64_t> sizes;
        const char* comment;
        bool changes;
    };
    const Case cases[] = {
        {"one entry of 0xFFFFFFFF bytes", {0xFFFFFFFF}, nullptr, true},
        {"after a small entry, with a comment", {10, 0xFFFFFFFF}, "a comment", true},
        {"0xFFFFFFFE bytes need no ZIP64", {0xFFFFFFFE}, nullptr, false},
        {"0x100000000 bytes are written whole", {0x100000000}, nullptr, false},
        {"small entries only", {1, 2}, nullptr, false},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string path = folder.posix("claimed.zip");
        std::vector<ClaimedEntry> entries;
        for (const std::uint64_t size : c.sizes)
            entries.push_back({size});
        writeArchive(path, entries, c.comment);
        const std::string written = readFile(path);
        ASSERT_TRUE(completeFieldsOf(path)) << c.label;
        EXPECT_EQ(readFile(path) != written, c.changes) << c.label;
        const auto headers = readHeaders(path);
        ASSERT_TRUE(headers.has_value()) << c.label;
        ASSERT_EQ(headers->central.size(), c.sizes.size()) << c.label;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            EXPECT_EQ(headers->central[i].size, c.sizes[i]) << c.label << " entry " << i;
            EXPECT_TRUE(headers->central[i].agreesWith(headers->local[i])) << c.label << " entry " << i;
            const bool zip64 = c.sizes[i] >= 0xFFFFFFFF;
            EXPECT_EQ(headers->central[i].zip64Length, zip64 ? std::optional<std::uint16_t>(8) : std::nullopt)
                << c.label << " entry " << i;
        }
        int error = 0;
        zip_t* reopened = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        EXPECT_NE(reopened, nullptr) << c.label << ": libzip error " << error;
        if (reopened != nullptr)
            zip_discard(reopened);
        if (c.comment != nullptr) {
            EXPECT_TRUE(readFile(path).ends_with(c.comment)) << c.label;
        }
    }
}

TEST(PlatformComZip64FieldsTest, PythonReadsTheCompletedSize) {
    if (!installed("python3"))
        GTEST_SKIP() << "python3 is not installed";
    TempFolder folder;
    const std::string path = folder.posix("claimed.zip");
    std::vector<ClaimedEntry> entries{{0xFFFFFFFF}};
    writeArchive(path, entries, nullptr);
    const std::string check =
        "python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).infolist()[0].file_size)' '" +
        path + "'";
    EXPECT_NE(run(check, folder.posix("before.txt")).status, 0) << "libzip leaves the size out";
    ASSERT_TRUE(completeFieldsOf(path));
    const Outcome after = run(check, folder.posix("after.txt"));
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_EQ(after.output, "4294967295\n");
}

TEST(PlatformComZip64FieldsTest, WhatIsNoArchiveIsLeftAlone) {
    const std::string texts[] = {"", "PK\x05\x06", std::string(100, 'x'),
                                 "PK\x05\x06" + std::string(30, '\0')};
    for (const std::string& text : texts) {
        TempFolder folder;
        writeFile(folder.posix("other"), text);
        EXPECT_TRUE(completeFieldsOf(folder.posix("other"))) << text.size() << " bytes";
        EXPECT_EQ(readFile(folder.posix("other")), text);
    }
}

} // namespace
