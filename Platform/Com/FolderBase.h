// What the two kinds of shell folder share: the argument checks of Items and ParseName, and a path.
#pragma once

#include "Platform/Com/ComObject.h"
#include "Platform/Com/ShlDisp.h"

#include <string>

namespace Platform::Com {

class FolderBase : public ComObject<Folder, IID_Folder> {
public:
    HRESULT Items(FolderItems** ppid) final {
        if (ppid == nullptr)
            return E_POINTER;
        *ppid = nullptr;
        return answer([&] { return countEntries(ppid); });
    }

    HRESULT ParseName(BSTR bName, FolderItem** ppid) final {
        if (ppid == nullptr)
            return E_POINTER;
        *ppid = nullptr;
        return answer([&] { return findEntry(bName, ppid); });
    }

protected:
    // `path` is the POSIX path of the folder's directory or archive.
    explicit FolderBase(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

private:
    // The item count; the folder's entries as it is now.
    virtual HRESULT countEntries(FolderItems** items) const = 0;
    // The item of the entry named `name`, or S_FALSE when there is none.
    virtual HRESULT findEntry(BSTR name, FolderItem** item) const = 0;

    std::string m_path;
};

} // namespace Platform::Com
