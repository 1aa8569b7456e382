// The file-system calls of one run of the tool, as the fault interposer logs them with ZIPFILE_FS_LOG.
#include "tests/crash/FsLog.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace CrashCheck {

namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A path word with its %XX escapes undone.
std::string unescaped(const std::string& word) {
    std::string text;
    for (std::size_t at = 0; at < word.size(); ++at) {
        if (word[at] == '%' && at + 2 < word.size()) {
            text += static_cast<char>(std::stoi(word.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            text += word[at];
        }
    }
    return text;
}

FsCall parsed(const std::string& line, const std::string& data) {
    std::istringstream words(line);
    FsCall call;
    words >> call.call >> call.result;
    std::string path;
    std::string to;
    if (call.call == "open") {
        call.fd = static_cast<int>(call.result);
        words >> call.number >> path;
    } else if (call.call == "rename" || call.call == "link") {
        words >> call.number >> path >> to;
    } else if (call.call == "unlink") {
        words >> call.number >> path;
    } else {
        words >> call.fd >> call.number;
    }
    call.path = unescaped(path);
    call.to = unescaped(to);
    long long dataOffset = -1;
    if ((call.call == "write" || call.call == "fwrite") && call.result > 0 && words >> dataOffset) {
        if (dataOffset < 0 || static_cast<std::size_t>(dataOffset + call.result) > data.size())
            throw std::runtime_error("written bytes missing from the log's data: " + line);
        call.data = data.substr(static_cast<std::size_t>(dataOffset), static_cast<std::size_t>(call.result));
    }
    if (words.fail())
        throw std::runtime_error("unreadable log line: " + line);
    return call;
}

} // namespace

std::vector<FsCall> readFsLog(const std::filesystem::path& log) {
    const std::string data = readAll(log.string() + ".data");
    std::istringstream lines(readAll(log));
    std::vector<FsCall> calls;
    for (std::string line; std::getline(lines, line);)
        calls.push_back(parsed(line, data));
    return calls;
}

} // namespace CrashCheck
