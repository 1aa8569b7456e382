// Test helper: a temporary folder whose entries are named by Win32 texts, as the framework names them.
#pragma once

#include "Lang/String.h"
#include "Lang/Utf8.h"
#include "System/Path.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using Lang::toUtf8;

// The Win32 text of an ASCII POSIX path: every '/' becomes a backslash.
inline Lang::String win32Text(const std::string& posixPath) {
    Lang::String text(posixPath.begin(), posixPath.end());
    for (char16_t& unit : text)
        unit = unit == u'/' ? u'\\' : unit;
    return text;
}

// A temporary folder seen through the framework: entries named by their Win32 texts.
class TemporaryFolder {
public:
    // The POSIX path of the folder, or of an entry given by its Win32 text relative to the folder.
    std::filesystem::path posix(const Lang::String& name = Lang::String()) const {
        std::string relative = Lang::toUtf8(name);
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
    TempFolder m_folder;
    std::filesystem::path m_posix = m_folder.path();
};
