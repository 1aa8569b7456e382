// Tests of the automation error and the counted interface pointer: message texts, the cache, copies,
// references.
#include "System/Win32/ComError.h"
#include "System/Win32/ComPointer.h"

#include "Lang/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using System::Win32::ComPointer;

// An IUnknown that counts its references and never frees itself; made with one reference.
class Counted final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++references); }
    ULONG Release() override { return static_cast<ULONG>(--references); }

    int references = 1;
};

std::string messageOf(const _com_error& error) {
    const WCHAR* message = error.ErrorMessage();
    return message == nullptr ? "(null)" : Lang::toUtf8(message);
}

TEST(ComErrorTest, MessageIsTheSystemTextOrAFallback) {
    const struct {
        DWORD hr;
        const char* message;
    } cases[] = {
        {0x80004003, "Invalid pointer"},
        {0x8007000E, "Not enough memory resources are available to complete this operation."},
        {0x80010106, "Cannot change thread mode after it is set."},
        {0x800401FF, "Unknown error 0x800401FF"},
        {0x80040200, "Unknown error 0x80040200"},
        {0x80040201, "IDispatch error #1"},
        {0x80041234, "IDispatch error #4148"},
        {0x8004FFFF, "IDispatch error #65023"},
        {0x80050000, "Unknown error 0x80050000"},
        {0xA0001234, "Unknown error 0xA0001234"},
        {0x00000123, "Unknown error 0x123"},
        {0xFFFFFFFF, "Unknown error 0xFFFFFFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messageOf(_com_error(static_cast<HRESULT>(c.hr))), c.message) << std::hex << c.hr;
}

TEST(ComErrorTest, MessageIsComputedOnceAndEachCopyHasItsOwn) {
    for (const DWORD hr : {0x80004003u, 0x80040201u}) {
        const _com_error error(static_cast<HRESULT>(hr));
        // A mark in the cached text survives only if the second call does not compute it again.
        const_cast<WCHAR*>(error.ErrorMessage())[0] = u'#';
        EXPECT_EQ(error.ErrorMessage()[0], u'#') << std::hex << hr;
        const _com_error copy(error);
        EXPECT_NE(copy.ErrorMessage(), error.ErrorMessage()) << std::hex << hr;
        EXPECT_EQ(messageOf(copy).substr(1), messageOf(error).substr(1)) << std::hex << hr;
    }
}

TEST(ComErrorTest, EveryCopyHoldsTheErrorInformation) {
    Counted information;
    {
        const _com_error error(E_FAIL, &information);
        const _com_error copy(error);
        EXPECT_EQ(information.references, 3);
    }
    EXPECT_EQ(information.references, 1);
}

TEST(ComPointerTest, UsingANullPointerRaisesEPointer) {
    const ComPointer<IUnknown> pointer;
    EXPECT_EQ(pointer.get(), nullptr);
    try {
        pointer->AddRef();
        ADD_FAILURE() << "nothing thrown";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
    }
}

TEST(ComPointerTest, ReleasesEachReferenceItReceivedOnce) {
    Counted first;
    Counted second;
    Counted third;
    {
        ComPointer<IUnknown> pointer;
        *pointer.receive() = &first;
        *pointer.receive() = &second;
        EXPECT_EQ(first.references, 0);
        EXPECT_EQ(pointer.operator->(), &second);
        pointer.reset();
        pointer.reset();
        EXPECT_EQ(second.references, 0);
        *pointer.receive() = &third;
    }
    EXPECT_EQ(second.references, 0);
    EXPECT_EQ(third.references, 0);
}

} // namespace
