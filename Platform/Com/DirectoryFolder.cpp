// The shell folder of a directory: its entries counted and found by name.
#include "Platform/Com/DirectoryFolder.h"

#include "Platform/Com/ArchiveErrors.h"
#include "Platform/Com/FolderBase.h"
#include "Platform/Com/FolderItemObjects.h"
#include "Platform/Com/ShellPaths.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace Platform::Com {

namespace {

bool isSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

class DirectoryFolder final : public FolderBase {
public:
    explicit DirectoryFolder(std::string path) : FolderBase(std::move(path)) {}

    HRESULT MoveHere(VARIANT, VARIANT) override { return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED); }
    HRESULT CopyHere(VARIANT, VARIANT) override { return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED); }

private:
    HRESULT countEntries(FolderItems** items) const override {
        DIR* directory = ::opendir(path().c_str());
        if (directory == nullptr)
            return HRESULT_FROM_WIN32(win32Error(errno, path()));
        long count = 0;
        errno = 0;
        while (const dirent* entry = ::readdir(directory)) {
            if (!isSelfOrParent(entry->d_name))
                ++count;
        }
        const int readError = errno;
        ::closedir(directory);
        return readError != 0 ? hresultFromErrno(readError) : makeFolderItems(count, items);
    }

    HRESULT findEntry(BSTR name, FolderItem** item) const override {
        const auto relative = posixPathOf(name);
        if (!relative)
            return S_FALSE;
        struct stat info {};
        if (::lstat((path() + "/" + *relative).c_str(), &info) != 0)
            return S_FALSE;
        return makeFolderItem(toWin32Text(fileNameOf(*relative)), item);
    }
};

} // namespace

HRESULT makeDirectoryFolder(std::string path, Folder** folder) {
    return makeObject<DirectoryFolder>(folder, std::move(path));
}

} // namespace Platform::Com
