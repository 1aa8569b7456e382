// A stand-in of the COM and OLE calls that plays a shell and writes down what is done with it.
#include "tests/System/Win32/FakeShell/FakeCom.h"

#include "Lang/Utf8.h"

#include <string_view>

FakeCom fakeCom;

namespace {

void record(const std::string& call, bool expected = true) {
    fakeCom.calls.push_back(expected ? call : call + "?");
}

std::string nameOf(const std::u16string& text) {
    return fakeCom.nameOf ? fakeCom.nameOf(text) : Lang::toUtf8(text);
}

// "+<name>" or "-<name>" for a string allocated or let go.
std::string marked(const char* mark, const std::u16string& text) {
    std::string call = mark;
    call += nameOf(text);
    return call;
}

// Made with one reference; writes "-<name>" when the last one is released. QueryInterface gives the
// object itself, or the script's failure.
template <class Interface>
class FakeObject : public Interface {
public:
    explicit FakeObject(std::string name) : m_name(std::move(name)) { ++fakeCom.liveObjects; }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        record("qi", riid == IID_IShellDispatch);
        *object = nullptr;
        if (FAILED(fakeCom.script.query))
            return fakeCom.script.query;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0) {
            record("-" + m_name);
            --fakeCom.liveObjects;
            delete this;
        }
        return left;
    }

protected:
    virtual ~FakeObject() = default;

private:
    std::string m_name;
    ULONG m_references = 1;
};

class FakeItem final : public FakeObject<FolderItem> {
public:
    using FakeObject::FakeObject;
    HRESULT get_Name(BSTR*) override { return E_FAIL; }
};

class FakeItems final : public FakeObject<FolderItems> {
public:
    using FakeObject::FakeObject;
    HRESULT get_Count(long*) override { return E_FAIL; }
};

class FakeFolder final : public FakeObject<Folder> {
public:
    using FakeObject::FakeObject;
    HRESULT Items(FolderItems** items) override {
        record("Items");
        *items = new FakeItems("items");
        return S_OK;
    }
    HRESULT ParseName(BSTR, FolderItem** item) override {
        record("ParseName");
        const bool listed = m_polls++ >= fakeCom.script.unlistedPolls;
        *item = listed ? new FakeItem("entry") : nullptr;
        return listed ? S_OK : S_FALSE;
    }
    HRESULT MoveHere(VARIANT item, VARIANT options) override {
        record("MoveHere", item.vt == VT_BSTR && options.vt == VT_EMPTY);
        return fakeCom.script.moveHere(item.bstrVal);
    }
    HRESULT CopyHere(VARIANT item, VARIANT options) override {
        record("CopyHere", item.vt == VT_BSTR && options.vt == VT_EMPTY);
        return fakeCom.script.copyHere(item.bstrVal);
    }

private:
    int m_polls = 0;
};

class FakeShell final : public FakeObject<IShellDispatch> {
public:
    using FakeObject::FakeObject;
    HRESULT NameSpace(VARIANT place, Folder** folder) override {
        const std::string name = nameOf(place.bstrVal);
        record("NameSpace:" + name, place.vt == VT_BSTR);
        if (fakeCom.script.missingFolders.contains(name)) {
            *folder = nullptr;
            return fakeCom.script.missingFolderAnswer;
        }
        *folder = new FakeFolder(name + "Folder");
        return S_OK;
    }
};

} // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    record("init", pvReserved == nullptr && dwCoInit == COINIT_APARTMENTTHREADED);
    return fakeCom.script.initialize;
}

void CoUninitialize() {
    record("uninit");
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    record("clsid", std::u16string_view(lpszProgID) == u"Shell.Application");
    *lpclsid = CLSID_Shell;
    return fakeCom.script.progId;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    record("create", rclsid == CLSID_Shell && pUnkOuter == nullptr && dwClsContext == CLSCTX_ALL &&
                         riid == IID_IUnknown);
    *ppv = SUCCEEDED(fakeCom.script.create) ? static_cast<IUnknown*>(new FakeShell("shell")) : nullptr;
    return fakeCom.script.create;
}

HRESULT OleRun(LPUNKNOWN) {
    record("run");
    return fakeCom.script.run;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (++fakeCom.allocations == fakeCom.script.failingAllocation) {
        record("alloc-failed");
        return nullptr;
    }
    auto text = std::make_unique<std::u16string>(psz);
    record(marked("+", *text));
    BSTR string = text->data();
    fakeCom.strings.emplace(string, std::move(text));
    return string;
}

void VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->bstrVal = nullptr;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg->vt != VT_BSTR) {
        record("-empty");
    } else if (const auto string = fakeCom.strings.find(pvarg->bstrVal); string != fakeCom.strings.end()) {
        record(marked("-", *string->second));
        fakeCom.strings.erase(string);
    } else {
        record(pvarg->bstrVal == nullptr ? "-(null)" : "-(unknown)");
    }
    VariantInit(pvarg);
    return S_OK;
}
