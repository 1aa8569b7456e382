// FolderItems as a fixed count, FolderItem as a name.
#include "Platform/Com/FolderItemObjects.h"

#include "Platform/Com/ComObject.h"

namespace Platform::Com {

namespace {

class ItemCount final : public ComObject<FolderItems, IID_FolderItems> {
public:
    explicit ItemCount(long count) : m_count(count) {}

    HRESULT get_Count(long* plCount) override {
        if (plCount == nullptr)
            return E_POINTER;
        *plCount = m_count;
        return S_OK;
    }

private:
    long m_count;
};

class NamedItem final : public ComObject<FolderItem, IID_FolderItem> {
public:
    explicit NamedItem(std::u16string name) : m_name(std::move(name)) {}

    HRESULT get_Name(BSTR* pbs) override {
        if (pbs == nullptr)
            return E_POINTER;
        *pbs = SysAllocString(m_name.c_str());
        return *pbs == nullptr ? E_OUTOFMEMORY : S_OK;
    }

private:
    std::u16string m_name;
};

} // namespace

HRESULT makeFolderItems(long count, FolderItems** items) {
    return makeObject<ItemCount>(items, count);
}

HRESULT makeFolderItem(std::u16string name, FolderItem** item) {
    return makeObject<NamedItem>(item, std::move(name));
}

} // namespace Platform::Com
