// Test helper: what an archive holds, read with libzip, and whether the common readers accept it.
#include "tests/app/Archive.h"

#include <cstdlib>
#include <memory>
#include <zip.h>

namespace ToolTest {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

std::string readContent(zip_t* archive, zip_uint64_t index, zip_uint64_t size) {
    std::string content(size, '\0');
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr)
        return "<unreadable>";
    const zip_int64_t read = zip_fread(file, content.data(), size);
    zip_fclose(file);
    return read == static_cast<zip_int64_t>(size) ? content : "<unreadable>";
}

Entry entryAt(zip_t* archive, zip_uint64_t index, std::uint64_t contentLimit) {
    zip_stat_t stat;
    zip_stat_index(archive, index, 0, &stat);
    Entry entry;
    entry.name = stat.name;
    entry.size = stat.size;
    entry.mtime = stat.mtime;
    entry.method = stat.comp_method;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(archive, index, 0, &system, &attributes);
    entry.unixMode = system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
    if (stat.size <= contentLimit)
        entry.content = readContent(archive, index, stat.size);
    return entry;
}

bool accepts(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool installed(const char* program) {
    return accepts(std::string("command -v ") + program);
}

} // namespace

std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path, std::uint64_t contentLimit) {
    int error = 0;
    const std::unique_ptr<zip_t, ArchiveCloser> archive(
        zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive)
        return std::nullopt;
    std::vector<Entry> entries;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i)
        entries.push_back(entryAt(archive.get(), static_cast<zip_uint64_t>(i), contentLimit));
    return entries;
}

std::vector<std::string> readersRejecting(const std::filesystem::path& path) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "'" + std::string.
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    struct Reader {
        const char* name;
        const char* program;
        std::string command;
    };
    const Reader readers[] = {
        {"unzip", "unzip", "unzip -tqq " + quoted},
        {"7z", "7z", "7z t " + quoted},
        {"bsdtar", "bsdtar", "bsdtar -tf " + quoted},
        {"python", "python3",
         "python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " +
             quoted},
    };
    std::vector<std::string> rejecting;
    for (const Reader& reader : readers) {
        if (installed(reader.program) && !accepts(reader.command))
            rejecting.push_back(reader.name);
    }
    return rejecting;
}

} // namespace ToolTest
