// IUnknown for the stand-in objects: an exact reference count and QueryInterface for one interface.
#pragma once

#include "Platform/Com/ObjBase.h"

#include <atomic>
#include <exception>
#include <new>
#include <utility>

namespace Platform::Com {

// Implements `Interface` (whose identifier is `interfaceId`) and IUnknown. An object is made with
// one reference and deletes itself when the last one is released.
template <class Interface, const IID& interfaceId>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != interfaceId) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *ppvObject = static_cast<Interface*>(this);
        return S_OK;
    }

    ULONG AddRef() override { return ++m_references; }

    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> m_references{1};
};

// Makes a `Object` and hands its first reference to `*result`: S_OK, or E_OUTOFMEMORY and null.
template <class Object, class Interface, class... Arguments>
HRESULT makeObject(Interface** result, Arguments&&... arguments) {
    *result = new (std::nothrow) Object(std::forward<Arguments>(arguments)...);
    return *result == nullptr ? E_OUTOFMEMORY : S_OK;
}

// Runs `body` (which returns an HRESULT) so that no exception leaves a COM call: running out of
// memory answers E_OUTOFMEMORY, any other exception E_FAIL.
template <class Body>
HRESULT answer(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace Platform::Com
