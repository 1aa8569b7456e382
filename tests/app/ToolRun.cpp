// Test helper: runs the built zipfile tool in a folder and collects what it did.
#include "tests/app/ToolRun.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ToolTest {

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

void setEnvironment(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos ||
            ::setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1) != 0)
            ::_exit(124);
    }
}

[[noreturn]] void execTool(const std::vector<std::string>& arguments, const fs::path& folder,
                           const fs::path& out, const fs::path& err, const RunOptions& options) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || outFd < 0 || errFd < 0 || ::dup2(in, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0)
        ::_exit(120);
    if (::chdir(folder.c_str()) != 0)
        ::_exit(121);
    if (options.asNobody && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        ::_exit(122);
    setEnvironment(options.environment);
    std::vector<char*> argv;
    std::string program = ZIPFILE_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> words = arguments;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(123);
}

int statusOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

} // namespace

RunResult runTool(const std::vector<std::string>& arguments, const fs::path& folder,
                  const RunOptions& options) {
    const TempFolder outputs;
    const fs::path out = fs::path(outputs.path()) / "out";
    const fs::path err = fs::path(outputs.path()) / "err";
    if (options.asNobody)
        fs::permissions(outputs.path(), fs::perms::all);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        execTool(arguments, folder, out, err, options);
    if (options.killAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(options.killAfterMs));
        ::kill(child, SIGKILL);
    }
    int waitStatus = 0;
    ::waitpid(child, &waitStatus, 0);
    RunResult result;
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    result.status = statusOf(waitStatus);
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

std::vector<std::string> listFolder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string noise(std::size_t size, unsigned seed) {
    std::mt19937_64 generator(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = generator();
        for (std::size_t j = 0; j < 8 && i + j < size; ++j)
            bytes[i + j] = static_cast<char>(word >> (8 * j));
    }
    return bytes;
}

} // namespace ToolTest
