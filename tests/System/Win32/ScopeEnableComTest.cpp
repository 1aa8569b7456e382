// Tests of the COM scope against the apartments of the COM layer, one thread per case.
#include "System/Win32/ScopeEnableCom.h"

#include "Platform/Com/ObjBase.h"

#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

enum class Apartment { None, SingleThreaded, Multithreaded };

// The calling thread's apartment, found by asking for the multithreaded one and undoing that again.
Apartment apartmentOfThisThread() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == RPC_E_CHANGED_MODE)
        return Apartment::SingleThreaded;
    CoUninitialize();
    return hr == S_OK ? Apartment::None : Apartment::Multithreaded;
}

TEST(ScopeEnableComTest, OpensASingleThreadedApartmentOnlyWhereNoneWas) {
    const Win32Thrown nothing{0, "(nothing thrown)", ""};
    const struct {
        const char* name;
        Apartment before;
        Win32Thrown thrown;
        Apartment inside, after;
    } cases[] = {
        {"fresh thread", Apartment::None, nothing, Apartment::SingleThreaded, Apartment::None},
        {"single-threaded already", Apartment::SingleThreaded, nothing, Apartment::SingleThreaded,
         Apartment::SingleThreaded},
        {"multithreaded already",
         Apartment::Multithreaded,
         {0x80010106, "Cannot change thread mode after it is set.\r\n", "System::Win32::initializeCom"},
         Apartment::Multithreaded,
         Apartment::Multithreaded},
    };
    for (const auto& c : cases) {
        std::thread([&c] {
            if (c.before != Apartment::None) {
                const DWORD model =
                    c.before == Apartment::SingleThreaded ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
                ASSERT_EQ(CoInitializeEx(nullptr, model), S_OK) << c.name;
            }
            Apartment inside = c.before;
            EXPECT_EQ(win32ThrownBy([&inside] {
                          const System::Win32::ScopeEnableCom com;
                          inside = apartmentOfThisThread();
                      }),
                      c.thrown)
                << c.name;
            EXPECT_EQ(inside, c.inside) << c.name;
            EXPECT_EQ(apartmentOfThisThread(), c.after) << c.name;
        }).join();
    }
}

} // namespace
