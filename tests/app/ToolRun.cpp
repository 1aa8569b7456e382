// Test helper: runs the built zipfile tool in a folder and collects what it did.
#include "tests/app/ToolRun.h"

#include "tests/Platform/AsNobody.h"

#include <algorithm>
#include <climits>
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

// Texts as an exec call takes them, a null-terminated array; built before the fork, so that the child
// only makes system calls (the parent may have other threads).
class ExecStrings {
public:
    explicit ExecStrings(std::vector<std::string> texts) : m_texts(std::move(texts)) {
        for (std::string& text : m_texts)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
    }
    char* const* get() const { return m_pointers.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_pointers;
};

std::string nameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// The test's own environment with `entries` set in it.
std::vector<std::string> environmentWith(const std::vector<std::string>& entries) {
    std::vector<std::string> environment = entries;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const bool replaced = std::any_of(entries.begin(), entries.end(), [&](const std::string& set) {
            return nameOf(set) == nameOf(entry);
        });
        if (!replaced)
            environment.push_back(entry);
    }
    return environment;
}

std::vector<std::string> commandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{ZIPFILE_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

// A folder as steps of chdir that each stay below the system's limit on a path, for folders nested deeper
// than one call can name.
std::vector<std::string> folderSteps(const std::string& folder) {
    std::vector<std::string> steps{std::string(folder.starts_with('/') ? "" : ".")};
    std::size_t start = 0;
    while (start < folder.size()) {
        const std::size_t end = std::min(folder.find('/', start), folder.size());
        const std::string name = folder.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        if (steps.back().size() + 1 + name.size() >= PATH_MAX - 1)
            steps.emplace_back(".");
        steps.back() += "/" + name;
    }
    if (steps.back().empty())
        steps.back().push_back('/');
    return steps;
}

[[noreturn]] void execTool(const ExecStrings& argv, const ExecStrings& envp, const ExecStrings& folder,
                           const fs::path& out, const fs::path& err, const RunOptions& options) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || outFd < 0 || errFd < 0 || ::dup2(in, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0)
        ::_exit(120);
    for (char* const* step = folder.get(); *step != nullptr; ++step) {
        if (::chdir(*step) != 0)
            ::_exit(121);
    }
    if (options.removeFolder && ::rmdir(folder.get()[0]) != 0)
        ::_exit(124);
    if (options.asNobody && !dropToNobody())
        ::_exit(122);
    ::execve(ZIPFILE_BINARY, argv.get(), envp.get());
    ::_exit(123);
}

int statusOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

// Sends the signal once the condition holds; false when the run ended first (reaped into `waitStatus`).
bool signalWhen(pid_t child, const RunOptions& options, int& waitStatus) {
    for (;;) {
        if (::waitpid(child, &waitStatus, WNOHANG) == child)
            return false;
        if (options.signalWhen()) {
            ::kill(child, options.signal);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

RunResult runTool(const std::vector<std::string>& arguments, const fs::path& folder,
                  const RunOptions& options) {
    const TempFolder outputs;
    const fs::path out = fs::path(outputs.path()) / "out";
    const fs::path err = fs::path(outputs.path()) / "err";
    if (options.asNobody)
        fs::permissions(outputs.path(), fs::perms::all);
    const ExecStrings argv(commandLine(arguments));
    const ExecStrings envp(environmentWith(options.environment));
    const ExecStrings steps(folderSteps(folder.string()));
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        execTool(argv, envp, steps, out, err, options);
    if (options.killAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(options.killAfterMs));
        ::kill(child, SIGKILL);
    }
    int waitStatus = 0;
    RunResult result;
    result.signalled = options.signalWhen && signalWhen(child, options, waitStatus);
    if (!options.signalWhen || result.signalled)
        ::waitpid(child, &waitStatus, 0);
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    result.status = statusOf(waitStatus);
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

std::string shownPath(const fs::path& path) {
    std::string text = path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
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
