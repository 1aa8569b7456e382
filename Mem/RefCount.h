// Intrusive reference counting: the counted interface, its heap and local forms, and the owning pointer.
//
// A counted class derives from IRefCount and leaves its operations pure; the object is created as
// Heap<T> (counted, deletes itself at zero) or as Local<T> (on the stack or inside another object,
// never counted and never freed by a release). Pointer<T> owns one reference.
#pragma once

#include "Lang/NullPointerException.h"
#include "Lang/Throw.h"

#include <atomic>
#include <cstddef>
#include <typeinfo>
#include <utility>

namespace Rc {

class IRefCount {
public:
    // Each returns the count after the operation.
    virtual int addRef() = 0;
    virtual int getRefCount() const = 0;
    virtual int release() = 0;

protected:
    // Objects are destroyed through their wrapper, never through this interface.
    ~IRefCount() = default;
};

template <class T>
class Heap;

// Holds one reference to a counted object; dereferencing an empty pointer throws.
template <class T>
class Pointer {
public:
    Pointer() = default;
    Pointer(const Pointer& other) : m_ptr(other.m_ptr) {
        if (m_ptr != nullptr)
            m_ptr->addRef();
    }
    Pointer& operator=(Pointer other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~Pointer() {
        if (m_ptr != nullptr)
            m_ptr->release();
        m_ptr = nullptr;
    }

    T* operator->() const {
        if (m_ptr == nullptr)
            LANG_THROW(Lang::NullPointerException(typeid(T), Lang::unknownLocation()));
        return m_ptr;
    }
    // The object, or null; no reference is taken.
    T* get() const noexcept { return m_ptr; }

private:
    friend class Heap<T>;
    // Takes over the reference the caller holds.
    explicit Pointer(T* adopted) noexcept : m_ptr(adopted) {}

    T* m_ptr = nullptr;
};

// A heap object that counts its references atomically and deletes itself when the last one goes.
template <class T>
class Heap final : public T {
public:
    // A new object with count 1, owned by the returned pointer.
    static Pointer<T> create() { return Pointer<T>(new Heap()); }

    int addRef() override { return ++m_count; }
    int getRefCount() const override { return m_count.load(); }
    int release() override {
        const int count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }

private:
    Heap() = default;
    virtual ~Heap() = default;

    std::atomic<int> m_count{1};
};

// An object on the stack or inside another object: counting does nothing and reports -1.
template <class T>
class Local final : public T {
public:
    Local() = default;

    int addRef() override { return -1; }
    int getRefCount() const override { return -1; }
    int release() override { return -1; }

    // Its storage belongs to the enclosing scope or object.
    static void* operator new(std::size_t) = delete;
};

} // namespace Rc
