// Test helper: the entries of a ZIP archive as libzip reads them back.
#pragma once

#include "tests/DeflateWalker.h"
#include "tests/ZipHeaders.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint16_t method = 0;
    std::time_t dosTime = 0;
    std::uint8_t system = 0;
    std::uint32_t attributes = 0;
    std::optional<std::int32_t> extendedTime;
    std::string content; // empty when not read

    // The Unix mode in the high half of the external attributes, when the entry was made on Unix.
    std::uint32_t unixMode() const { return system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0; }
};

inline std::optional<std::int32_t> extendedTimeOf(zip_t* archive, zip_uint64_t index) {
    zip_uint16_t length = 0;
    const zip_uint8_t* field =
        zip_file_extra_field_get_by_id(archive, index, 0x5455, 0, &length, ZIP_FL_CENTRAL);
    if (field == nullptr || length < 5 || (field[0] & 1) == 0)
        return std::nullopt;
    const std::uint32_t seconds =
        field[1] | (field[2] << 8) | (field[3] << 16) | (std::uint32_t{field[4]} << 24);
    return static_cast<std::int32_t>(seconds);
}

inline std::string contentOf(zip_t* archive, zip_uint64_t index, std::uint64_t size) {
    std::string content(size, '\0');
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr)
        return "<unreadable>";
    const zip_int64_t got = zip_fread(file, content.data(), size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(size) ? content : "<short read>";
}

inline ZipEntry zipEntryAt(zip_t* archive, zip_uint64_t index, std::uint64_t contentLimit) {
    zip_stat_t status;
    zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &status); // names as stored
    ZipEntry entry;
    entry.name = status.name;
    entry.size = status.size;
    entry.method = status.comp_method;
    entry.dosTime = status.mtime;
    zip_file_get_external_attributes(archive, index, 0, &entry.system, &entry.attributes);
    entry.extendedTime = extendedTimeOf(archive, index);
    if (status.size <= contentLimit)
        entry.content = contentOf(archive, index, status.size);
    return entry;
}

// The entries of the archive at `path`, with the contents of those up to `contentLimit` bytes;
// nothing when libzip cannot open it with its consistency checks. A deflate block that Windows' reader
// refuses, and headers that disagree or hold ZIP64 fields where none is needed, are test failures.
inline std::optional<std::vector<ZipEntry>>
readZipEntries(const char* path, std::uint64_t contentLimit = std::numeric_limits<std::uint64_t>::max()) {
    int error = 0;
    zip_t* archive = zip_open(path, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr)
        return std::nullopt;
    std::vector<ZipEntry> entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i)
        entries.push_back(zipEntryAt(archive, static_cast<zip_uint64_t>(i), contentLimit));
    const std::string refused = refusedDeflateBlocks(archive);
    if (!refused.empty())
        ADD_FAILURE() << path << " holds deflate data that Windows' reader refuses:\n" << refused;
    const std::string faults = headerFaults(path);
    if (!faults.empty())
        ADD_FAILURE() << path << ": " << faults;
    zip_discard(archive);
    return entries;
}
