// Test helper: runs the built zipfile tool in a folder and collects what it did.
#pragma once

#include "tests/Platform/TempFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ToolTest {

struct RunResult {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
    bool signalled = false; // whether RunOptions::signal was sent before the run ended
};

struct RunOptions {
    bool asNobody = false; // drop to uid and gid 65534 first, so permissions apply even to root
    int killAfterMs = -1;  // SIGKILL the run after this long
    std::vector<std::string> environment = {}; // "NAME=value" entries set for the run only
    bool removeFolder = false; // remove the (empty) folder once the run stands in it, before the tool starts
    int signal = 0;            // sent once `signalWhen` answers true (polled every millisecond)
    std::function<bool()> signalWhen = {}; // while the run lasts
};

// Runs the tool with `arguments` in `folder`, standard input closed. The folder may be deeper than a path
// may be long.
RunResult runTool(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
                  const RunOptions& options = {});

// A path as the tool names it in messages: the system's path text, with backslashes.
std::string shownPath(const std::filesystem::path& path);

// The names in `folder`, sorted.
std::vector<std::string> listFolder(const std::filesystem::path& folder);

// Bytes that deflate cannot shrink, the same for the same seed.
std::string noise(std::size_t size, unsigned seed);

} // namespace ToolTest
