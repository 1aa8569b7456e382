// The compressed folder: entries counted and found by name, files copied or moved in.
#include "Platform/Com/ArchiveFolder.h"

#include "Platform/Com/Archive.h"
#include "Platform/Com/ArchiveUpdate.h"
#include "Platform/Com/FolderBase.h"
#include "Platform/Com/FolderItemObjects.h"
#include "Platform/Com/ShellPaths.h"
#include "Platform/PathText.h"

namespace Platform::Com {

namespace {

// The options of a copy or move: empty, or FOF_ flags as a number.
HRESULT readShowProgress(const VARIANT& options, bool& showProgress) {
    if (options.vt == VT_EMPTY) {
        showProgress = true;
        return S_OK;
    }
    if (options.vt != VT_I4)
        return E_INVALIDARG;
    showProgress = (options.lVal & FOF_SILENT) == 0;
    return S_OK;
}

class ArchiveFolder final : public FolderBase {
public:
    explicit ArchiveFolder(std::string path) : FolderBase(std::move(path)) {}

    HRESULT MoveHere(VARIANT vItem, VARIANT vOptions) override {
        return answer([&] { return transfer(vItem, vOptions, Transfer::Move); });
    }

    HRESULT CopyHere(VARIANT vItem, VARIANT vOptions) override {
        return answer([&] { return transfer(vItem, vOptions, Transfer::Copy); });
    }

private:
    HRESULT countEntries(FolderItems** items) const override {
        ArchiveHandle archive;
        if (const HRESULT opened = openArchive(path(), ZIP_RDONLY, archive); FAILED(opened))
            return opened;
        return makeFolderItems(static_cast<long>(zip_get_num_entries(archive.get(), 0)), items);
    }

    HRESULT findEntry(BSTR name, FolderItem** item) const override {
        const auto entryName = posixPathOf(name);
        if (!entryName)
            return S_FALSE;
        ArchiveHandle archive;
        if (const HRESULT opened = openArchive(path(), ZIP_RDONLY, archive); FAILED(opened))
            return opened;
        if (locateEntry(archive.get(), *entryName) < 0)
            return S_FALSE;
        return makeFolderItem(toWin32Text(*entryName), item);
    }

    HRESULT transfer(const VARIANT& item, const VARIANT& options, Transfer kind) const {
        bool showProgress = false;
        if (const HRESULT read = readShowProgress(options, showProgress); FAILED(read))
            return read;
        if (item.vt != VT_BSTR)
            return E_INVALIDARG;
        const auto itemPath = posixPathOf(item.bstrVal);
        if (!itemPath)
            return HRESULT_FROM_WIN32(GetLastError());
        return addFileToArchive(path(), *itemPath, kind, showProgress);
    }
};

} // namespace

HRESULT makeArchiveFolder(std::string path, Folder** folder) {
    return makeObject<ArchiveFolder>(folder, std::move(path));
}

} // namespace Platform::Com
