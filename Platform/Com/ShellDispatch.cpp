// The shell object: NameSpace gives the folder of a directory or of a ZIP archive.
#include "Platform/Com/ShellDispatch.h"

#include "Platform/Com/Archive.h"
#include "Platform/Com/ArchiveFolder.h"
#include "Platform/Com/ComObject.h"
#include "Platform/Com/DirectoryFolder.h"
#include "Platform/Com/ShellPaths.h"

#include <sys/stat.h>

namespace Platform::Com {

namespace {

class ShellDispatch final : public ComObject<IShellDispatch, IID_IShellDispatch> {
public:
    HRESULT NameSpace(VARIANT vDir, Folder** ppsdf) override {
        if (ppsdf == nullptr)
            return E_POINTER;
        *ppsdf = nullptr;
        return answer([&] { return openFolder(vDir, ppsdf); });
    }

private:
    static HRESULT openFolder(const VARIANT& location, Folder** folder) {
        if (location.vt != VT_BSTR)
            return S_FALSE;
        auto path = posixPathOf(location.bstrVal);
        struct stat info {};
        if (!path || ::stat(path->c_str(), &info) != 0)
            return S_FALSE;
        if (S_ISDIR(info.st_mode))
            return makeDirectoryFolder(std::move(*path), folder);
        if (S_ISREG(info.st_mode) && isArchive(*path))
            return makeArchiveFolder(std::move(*path), folder);
        return S_FALSE;
    }
};

} // namespace

HRESULT makeShellDispatch(IShellDispatch** shell) {
    return makeObject<ShellDispatch>(shell);
}

} // namespace Platform::Com
