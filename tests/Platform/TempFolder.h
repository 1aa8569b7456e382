// Test helper: a temporary folder removed with all it holds, its paths as POSIX and Win32 texts,
// and small file-making helpers.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
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

inline void writeFile(const std::string& path, const std::string& content) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(descriptor, 0) << path;
    ASSERT_EQ(::write(descriptor, content.data(), content.size()), static_cast<ssize_t>(content.size()))
        << path;
    ::close(descriptor);
}
