// The shell object: NameSpace gives the folder of a directory or of a ZIP archive. What is not there,
// or is neither, gives no folder (S_FALSE); what is there but cannot be read fails with its cause.
#include "Platform/Com/ShellDispatch.h"

#include "Platform/Com/Archive.h"
#include "Platform/Com/ArchiveErrors.h"
#include "Platform/Com/ArchiveFolder.h"
#include "Platform/Com/ComObject.h"
#include "Platform/Com/DirectoryFolder.h"
#include "Platform/Com/ShellPaths.h"

#include <sys/stat.h>

#include <cerrno>

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
        if (!path)
            return S_FALSE;
        struct stat info {};
        if (::stat(path->c_str(), &info) != 0)
            return errno == ENOENT || errno == ENOTDIR ? S_FALSE : hresultFromErrno(errno);
        if (S_ISDIR(info.st_mode))
            return makeDirectoryFolder(std::move(*path), folder);
        if (!S_ISREG(info.st_mode))
            return S_FALSE;
        const HRESULT archive = checkArchive(*path);
        return archive == S_OK ? makeArchiveFolder(std::move(*path), folder) : archive;
    }
};

} // namespace

HRESULT makeShellDispatch(IShellDispatch** shell) {
    return makeObject<ShellDispatch>(shell);
}

} // namespace Platform::Com
