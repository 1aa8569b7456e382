// Test helpers: an interface pointer released at scope exit, and a BSTR variant cleared at scope exit.
#pragma once

#include "Platform/Com/OleAuto.h"

#include <string>

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    // For out parameters: releases what is held and hands out the place of the pointer.
    Interface** out() {
        reset();
        return &m_pointer;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    void reset() {
        if (m_pointer != nullptr)
            m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    Interface* m_pointer = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&m_value); }
    explicit Variant(const std::u16string& text) : Variant() {
        m_value.vt = VT_BSTR;
        m_value.bstrVal = SysAllocString(text.c_str());
    }
    static Variant number(LONG value) {
        Variant variant;
        variant.m_value.vt = VT_I4;
        variant.m_value.lVal = value;
        return variant;
    }
    Variant(Variant&& other) noexcept : m_value(other.m_value) { VariantInit(&other.m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant& operator=(Variant&&) = delete;

    const VARIANT& get() const { return m_value; }

private:
    VARIANT m_value;
};
