// Test helper: the ZIP readers run on an archive and checked against the entries it should hold.
#include "tests/readers/ZipReaders.h"

#include <zip.h>
#include <zlib.h>

#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

namespace ZipReaders {

namespace {

// `text` as one word for the shell.
std::string shellWord(const std::string& text) {
    std::string word = "'";
    for (const char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::string script(const char* name) {
    return shellWord(std::string(ZIPREADERS_SOURCES) + "/" + name);
}

std::string javaReader(const char* mode) {
    const std::string classFile = ZIPREADERS_JAVA_CLASS;
    return shellWord(ZIPREADERS_JAVA) + " -cp " + shellWord(classFile.substr(0, classFile.rfind('/'))) +
           " ZipReader " + mode;
}

std::optional<std::string> unhex(const std::string& text) {
    if (text.size() % 2 != 0 || text.find_first_not_of("0123456789abcdef") != std::string::npos)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string crcText(std::uint32_t crc) {
    std::ostringstream text;
    text << std::hex << std::setw(8) << std::setfill('0') << crc;
    return text.str();
}

std::string shown(const std::vector<Listed>& entries) {
    std::ostringstream text;
    for (const Listed& entry : entries)
        text << "\n  " << entry;
    return entries.empty() ? "no entry" : text.str();
}

// The start of `text`, for a message.
std::string excerpt(const std::string& text) {
    constexpr std::size_t kLimit = 600;
    return text.size() <= kLimit ? text : text.substr(0, kLimit) + "...";
}

// The end of `text` without its last line end, where a program's last words say why it stopped.
std::string lastWords(std::string text) {
    constexpr std::size_t kLimit = 600;
    while (text.ends_with('\n'))
        text.pop_back();
    return text.size() <= kLimit ? text : "..." + text.substr(text.size() - kLimit);
}

struct Finished {
    int status = -1; // the exit status, or -1 when the shell did not exit normally
    std::string errors;
};

// Runs `command` through the shell, in a UTF-8 locale (Java opens files by names in the locale's
// encoding), passing its standard output in pieces to `take`.
Finished runReading(const std::string& command, const std::function<void(const char*, std::size_t)>& take) {
    const char* base = std::getenv("TMPDIR");
    std::string errorsPath = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/reader-XXXXXX";
    const int errorsFile = ::mkstemp(errorsPath.data());
    if (errorsFile < 0)
        return {-1, "no file for the standard error"};
    ::close(errorsFile);
    const std::string line = "export LC_ALL=C.UTF-8; (" + command + ") 2>" + shellWord(errorsPath);
    Finished finished;
    if (FILE* out = ::popen(line.c_str(), "r")) {
        std::vector<char> buffer(1 << 20);
        for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), out)) > 0;)
            take(buffer.data(), got);
        const int status = ::pclose(out);
        finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::ifstream errors(errorsPath, std::ios::binary);
    finished.errors.assign(std::istreambuf_iterator<char>(errors), {});
    ::unlink(errorsPath.c_str());
    return finished;
}

// An entry line of a listing reader: the name's bytes in hex, the size, the CRC-32 in hex.
std::optional<Listed> entryOf(const std::string& line) {
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    const std::optional<std::string> name = unhex(line.substr(0, first));
    if (second == std::string::npos || !name)
        return std::nullopt;
    Listed entry{*name};
    const char* const end = line.data() + line.size();
    const auto size = std::from_chars(line.data() + first + 1, line.data() + second, entry.size);
    const auto crc = std::from_chars(line.data() + second + 1, end, entry.crc, 16);
    if (size.ec != std::errc() || size.ptr != line.data() + second || crc.ec != std::errc() || crc.ptr != end)
        return std::nullopt;
    return entry;
}

// Nothing when a listing reader printed exactly `expected`.
std::optional<std::string> listingProblem(const std::string& output, const std::vector<Listed>& expected) {
    std::vector<Listed> read;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::optional<Listed> entry = entryOf(line);
        if (!entry)
            return "printed \"" + excerpt(line) + "\", not an entry line";
        read.push_back(*entry);
    }
    if (read != expected)
        return "read" + shown(read) + "\ninstead of" + shown(expected);
    return std::nullopt;
}

// Nothing when a structure dump ends as a complete one and warns of nothing.
std::optional<std::string> dumpProblem(const std::string& output) {
    if (!output.ends_with("\nDone\n"))
        return "dump ends early: " + lastWords(output);
    for (const char* warning : {"WARNING", "Unexpected END"}) {
        const std::size_t at = output.find(warning);
        if (at != std::string::npos)
            return "dump warns: " + excerpt(output.substr(at));
    }
    return std::nullopt;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const Listed& entry) {
    return out << '"' << entry.name << "\" " << entry.size << " bytes, CRC-32 " << crcText(entry.crc);
}

std::uint32_t crcAfter(std::uint32_t crc, const void* bytes, std::size_t count) {
    return static_cast<std::uint32_t>(crc32_z(crc, static_cast<const Bytef*>(bytes), count));
}

std::optional<std::vector<Listed>> listingOf(const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr)
        return std::nullopt;
    std::vector<Listed> entries;
    zip_stat_t status;
    for (zip_int64_t i = 0;
         i < zip_get_num_entries(archive, 0) && zip_stat_index(archive, i, 0, &status) == 0; ++i)
        entries.push_back({status.name, status.size, status.crc});
    const bool complete = static_cast<zip_int64_t>(entries.size()) == zip_get_num_entries(archive, 0);
    zip_discard(archive);
    return complete ? std::optional(entries) : std::nullopt;
}

const std::vector<Reader>& readers() {
    static const std::vector<Reader> list = [] {
        const std::string python = shellWord(ZIPREADERS_PYTHON);
        const std::string perl = shellWord(ZIPREADERS_PERL);
        const std::string goReader = shellWord(ZIPREADERS_GO_READER);
        const std::string java =
            "test -x " + shellWord(ZIPREADERS_JAVA) + " && test -f " + shellWord(ZIPREADERS_JAVA_CLASS);
        const std::string noJava = "java was not found when the build was configured (default-jdk-headless)";
        return std::vector<Reader>{
            {"unzip", "command -v unzip", "unzip is not installed (unzip)", "unzip -p %s", Output::Bytes,
             true, false},
            {"7z", "command -v 7z", "7z is not installed (p7zip-full)", "7z x -so %s", Output::Bytes, true,
             false},
            {"bsdtar", "command -v bsdtar", "bsdtar is not installed (libarchive-tools)", "bsdtar -xOf %s",
             Output::Bytes, true, false},
            // A pipe, not a redirected file, which bsdtar would seek in to read the central directory.
            {"bsdtarStreaming", "command -v bsdtar", "bsdtar is not installed (libarchive-tools)",
             "cat %s | bsdtar -xOf -", Output::Bytes, true, false},
            {"python", "test -x " + python, "python3 was not found when the build was configured (python3)",
             python + " " + script("zipreader.py") + " %s", Output::Listing, false, false},
            {"javaZipFile", java, noJava, javaReader("file") + " %s", Output::Listing, false, false},
            {"javaZipInputStream", java, noJava, "cat %s | " + javaReader("stream"), Output::Listing, false,
             false},
            {"go", "test -x " + goReader, "go was not found when the build was configured (golang-go)",
             goReader + " %s", Output::Listing, true, true},
            {"perlArchiveZip", "test -x " + perl + " && " + perl + " -MArchive::Zip -e 1",
             "perl with Archive::Zip is not installed (libarchive-zip-perl)",
             perl + " " + script("zipreader.pl") + " central %s", Output::Listing, false, false},
            {"perlIoUncompressUnzip", "test -x " + perl + " && " + perl + " -MIO::Uncompress::Unzip -e 1",
             "perl with IO::Uncompress::Unzip is not installed (perl)",
             "cat %s | " + perl + " " + script("zipreader.pl") + " stream", Output::Listing, false, false},
            {"zipdetails", "command -v zipdetails", "zipdetails is not installed (perl)", "zipdetails %s",
             Output::Dump, true, true},
        };
    }();
    return list;
}

std::optional<std::string> missing(const Reader& reader) {
    static std::map<std::string, bool> canRun;
    const auto [known, first] = canRun.try_emplace(reader.name, false);
    if (first)
        known->second = std::system((reader.probe + " >/dev/null 2>&1").c_str()) == 0;
    return known->second ? std::nullopt : std::optional(reader.absent);
}

std::optional<std::string> problemReading(const Reader& reader, const std::string& path,
                                          const std::vector<Listed>& expected) {
    std::string command = reader.command;
    command.replace(command.find("%s"), 2, shellWord(path));
    std::string output;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    const auto started = std::chrono::steady_clock::now();
    const Finished finished = runReading(command, [&](const char* bytes, std::size_t count) {
        if (reader.output == Output::Bytes)
            crc = crcAfter(crc, bytes, count);
        else
            output.append(bytes, count);
        size += count;
    });
    if (std::getenv("ZIPREADERS_TIMES") != nullptr)
        std::cerr << reader.name << " read " << path << " in "
                  << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()
                  << " s\n";
    if (finished.status != 0)
        return "exit status " + std::to_string(finished.status) + ": " + lastWords(finished.errors);
    if (!finished.errors.empty())
        return "complained: " + lastWords(finished.errors);
    switch (reader.output) {
    case Output::Listing:
        return listingProblem(output, expected);
    case Output::Dump:
        return dumpProblem(output);
    case Output::Bytes:
        break;
    }
    std::uint64_t expectedSize = 0;
    std::uint32_t expectedCrc = 0;
    for (const Listed& entry : expected) {
        expectedCrc = static_cast<std::uint32_t>(
            crc32_combine64(expectedCrc, entry.crc, static_cast<z_off64_t>(entry.size)));
        expectedSize += entry.size;
    }
    if (size != expectedSize || crc != expectedCrc)
        return "wrote " + std::to_string(size) + " bytes, CRC-32 " + crcText(crc) +
               ", instead of the entries' " + std::to_string(expectedSize) + " bytes, CRC-32 " +
               crcText(expectedCrc);
    return std::nullopt;
}

std::vector<std::string> rejecting(const std::vector<const Reader*>& chosen, const std::string& path,
                                   const std::vector<Listed>& expected) {
    static std::set<std::string> noted;
    std::vector<std::string> result;
    for (const Reader* reader : chosen) {
        if (const std::optional<std::string> absent = missing(*reader)) {
            if (inCi())
                result.push_back(reader->name + ": " + *absent);
            else if (noted.insert(reader->name).second)
                std::cerr << "note: the " << reader->name << " reader is skipped: " << *absent << "\n";
        } else if (const std::optional<std::string> problem = problemReading(*reader, path, expected)) {
            result.push_back(reader->name + ": " + *problem);
        }
    }
    return result;
}

bool inCi() {
    return std::getenv("CI") != nullptr;
}

} // namespace ZipReaders
