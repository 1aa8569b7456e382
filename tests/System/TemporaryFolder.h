// Test helper: a fresh folder under the system's temporary folder, removed with all it holds.
#pragma once

#include "Lang/Platform/Utf16.h"
#include "Lang/String.h"
#include "System/Path.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>

// UTF-8 for the POSIX side of a test: file names as the system stores them.
inline std::string toUtf8(const Lang::String& text) {
    std::string result;
    const char16_t* cursor = text.data();
    const char16_t* const end = text.data() + text.size();
    while (cursor != end) {
        const auto ch = static_cast<std::uint32_t>(Lang::Platform::Utf16::toChar(cursor, end));
        if (ch < 0x80) {
            result += static_cast<char>(ch);
            continue;
        }
        const int continuations = ch < 0x800 ? 1 : ch < 0x10000 ? 2 : 3;
        const std::uint32_t leads[] = {0xC0, 0xE0, 0xF0};
        result += static_cast<char>(leads[continuations - 1] | (ch >> (6 * continuations)));
        for (int i = continuations - 1; i >= 0; --i)
            result += static_cast<char>(0x80 | ((ch >> (6 * i)) & 0x3F));
    }
    return result;
}

// The Win32 text of an ASCII POSIX path: every '/' becomes a backslash.
inline Lang::String win32Text(const std::string& posixPath) {
    Lang::String text(posixPath.begin(), posixPath.end());
    for (char16_t& unit : text)
        unit = unit == u'/' ? u'\\' : unit;
    return text;
}

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zipfile-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
        m_posix = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_posix, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The POSIX path of the folder, or of an entry given by its Win32 text relative to the folder.
    std::filesystem::path posix(const Lang::String& name = Lang::String()) const {
        std::string relative = toUtf8(name);
        for (char& c : relative)
            c = c == '\\' ? '/' : c;
        return relative.empty() ? m_posix : m_posix / relative;
    }
    // The folder, or an entry in it with its name exactly as given (not trimmed or unquoted).
    System::Path path(const Lang::String& name = Lang::String()) const {
        System::Path path(win32Text(m_posix.string()));
        if (!name.empty())
            path.append(name);
        return path;
    }

    void write(const Lang::String& name, const std::string& content) const {
        std::ofstream(posix(name), std::ios::binary) << content;
    }
    std::string read(const Lang::String& name) const {
        std::ifstream in(posix(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_posix;
};
