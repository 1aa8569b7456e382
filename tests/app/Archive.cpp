// Test helper: what an archive holds, read with libzip, and whether the common readers accept it.
#include "tests/app/Archive.h"

#include <cstdlib>

namespace ToolTest {

namespace {

bool accepts(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool installed(const char* program) {
    return accepts(std::string("command -v ") + program);
}

} // namespace

std::optional<std::vector<Entry>> readArchive(const std::filesystem::path& path, std::uint64_t contentLimit) {
    return readZipEntries(path.c_str(), contentLimit);
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
