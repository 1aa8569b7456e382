// Test helpers: a temporary folder removed with all it holds, its paths as POSIX and Win32 texts,
// a working-directory change undone at scope end, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/platform-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string posix(const std::string& name) const { return m_path + "/" + name; }
    // The Win32 text of posix(name); the folder's path and `name` are ASCII without reserved characters.
    std::u16string win32(const std::string& name) const {
        std::u16string text;
        for (const char c : posix(name)) {
            text += c == '/' ? u'\\' : static_cast<char16_t>(c);
        }
        return text;
    }

private:
    std::string m_path;
};

// Changes the working directory for a scope and restores the previous one at its end.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& path) : m_previous(::open(".", O_PATH | O_CLOEXEC)) {
        EXPECT_EQ(::chdir(path.c_str()), 0) << path;
    }
    ~ScopedWorkingDirectory() {
        EXPECT_EQ(::fchdir(m_previous), 0);
        ::close(m_previous);
    }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    int m_previous;
};

inline void writeFile(const std::string& path, const std::string& content) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(descriptor, 0) << path;
    ASSERT_EQ(::write(descriptor, content.data(), content.size()), static_cast<ssize_t>(content.size()))
        << path;
    ::close(descriptor);
}

// A Unix socket's name in the folder, left when the socket is closed.
inline void makeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path) << path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    ::close(descriptor);
}

// The usual furniture of a test folder: "file" holding "abc" and an empty folder "dir".
inline void addFileAndFolder(const TempFolder& folder) {
    writeFile(folder.posix("file"), "abc");
    ASSERT_EQ(::mkdir(folder.posix("dir").c_str(), 0755), 0);
}

inline std::string readFile(const std::string& path) {
    std::string content;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char chunk[4096];
    for (ssize_t got = 0; descriptor >= 0 && (got = ::read(descriptor, chunk, sizeof chunk)) > 0;) {
        content.append(chunk, static_cast<std::size_t>(got));
    }
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return content;
}
