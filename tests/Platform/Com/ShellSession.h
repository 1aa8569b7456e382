// Test helpers: the shell object in the thread's apartment, folders by POSIX path, copies and moves,
// and what an archive holds as libzip reads it.
#pragma once

#include "Platform/Com/ObjBase.h"
#include "Platform/Com/ShlDisp.h"
#include "Platform/PathText.h"

#include "tests/EmptyArchive.h"
#include "tests/Platform/Com/ComPointers.h"
#include "tests/Platform/TempFolder.h"
#include "tests/ZipEntries.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

class ShellSession {
public:
    ShellSession() {
        m_initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_OK;
        EXPECT_EQ(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_ALL, IID_IShellDispatch, m_shell.outVoid()),
                  S_OK);
    }
    ~ShellSession() {
        m_shell.reset();
        if (m_initialised)
            CoUninitialize();
    }
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;

    // NameSpace of the Win32 text of `posixPath`; `answer` receives its HRESULT.
    void nameSpace(const std::string& posixPath, ComPtr<Folder>& folder, HRESULT* answer = nullptr) const {
        const Variant location(Platform::toWin32Text(posixPath));
        const HRESULT result = m_shell->NameSpace(location.get(), folder.out());
        if (answer != nullptr)
            *answer = result;
    }

    HRESULT copy(const std::string& archive, const std::string& item,
                 const Variant& options = silent()) const {
        return transfer(&Folder::CopyHere, archive, Variant(Platform::toWin32Text(item)), options);
    }
    HRESULT move(const std::string& archive, const std::string& item,
                 const Variant& options = silent()) const {
        return transfer(&Folder::MoveHere, archive, Variant(Platform::toWin32Text(item)), options);
    }
    // CopyHere or MoveHere on the compressed folder of `archive` with an item variant as given.
    HRESULT transfer(HRESULT (Folder::*call)(VARIANT, VARIANT), const std::string& archive,
                     const Variant& item, const Variant& options = silent()) const {
        ComPtr<Folder> folder;
        nameSpace(archive, folder);
        if (!folder) {
            ADD_FAILURE() << "no compressed folder for " << archive;
            return E_POINTER;
        }
        return (folder.get()->*call)(item.get(), options.get());
    }

    static Variant silent() { return Variant::number(FOF_SILENT); }

private:
    bool m_initialised = false;
    ComPtr<IShellDispatch> m_shell;
};

using EntryRecord = ZipEntry;

// The entries of the archive at `path`, with their contents when `withContent`; nothing when
// libzip cannot open it with its consistency checks.
inline std::optional<std::vector<EntryRecord>> readArchive(const std::string& path, bool withContent = true) {
    return readZipEntries(path.c_str(), withContent ? std::numeric_limits<std::uint64_t>::max() : 0);
}

// The one entry of the archive at `path`; an empty record, and a test failure, when libzip cannot
// read the archive or it holds more or less than one entry.
inline EntryRecord onlyEntry(const std::string& path, bool withContent = true) {
    const auto entries = readArchive(path, withContent);
    if (!entries || entries->size() != 1) {
        ADD_FAILURE() << path << ": "
                      << (entries ? std::to_string(entries->size()) + " entries" : "unreadable");
        return {};
    }
    return entries->front();
}

// The names of the files in `folder`, sorted.
inline std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}
