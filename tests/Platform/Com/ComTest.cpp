// Tests of the COM stand-ins: apartments, the class registry, object creation and reference counts.
#include "Platform/Com/ObjBase.h"
#include "Platform/Com/ShlDisp.h"

#include "tests/Platform/Com/ComPointers.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// One step on a thread: initialise with a model (or uninitialise), and the answer expected.
struct Step {
    enum { Init, Uninit } action;
    DWORD model;
    HRESULT expected;
};

HRESULT createShell(void** object, REFIID iid = IID_IShellDispatch) {
    CLSID clsid{};
    const HRESULT found = CLSIDFromProgID(u"Shell.Application", &clsid);
    return FAILED(found) ? found : CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, object);
}

TEST(PlatformComTest, ApartmentAnswersPerThread) {
    constexpr DWORD STA = COINIT_APARTMENTTHREADED;
    constexpr DWORD MTA = COINIT_MULTITHREADED;
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"first STA", {{Step::Init, STA, S_OK}}},
        {"first MTA", {{Step::Init, MTA, S_OK}}},
        {"repeat STA", {{Step::Init, STA, S_OK}, {Step::Init, STA, S_FALSE}}},
        {"repeat MTA", {{Step::Init, MTA, S_OK}, {Step::Init, MTA, S_FALSE}}},
        {"STA then MTA", {{Step::Init, STA, S_OK}, {Step::Init, MTA, RPC_E_CHANGED_MODE}}},
        {"MTA then STA", {{Step::Init, MTA, S_OK}, {Step::Init, STA, RPC_E_CHANGED_MODE}}},
        {"refused change is not counted",
         {{Step::Init, STA, S_OK},
          {Step::Init, MTA, RPC_E_CHANGED_MODE},
          {Step::Uninit, 0, S_OK},
          {Step::Init, MTA, S_OK}}},
        {"each repeat needs its uninitialise",
         {{Step::Init, STA, S_OK},
          {Step::Init, STA, S_FALSE},
          {Step::Uninit, 0, S_OK},
          {Step::Init, MTA, RPC_E_CHANGED_MODE},
          {Step::Uninit, 0, S_OK},
          {Step::Init, MTA, S_OK}}},
        {"uninitialise without initialise is harmless", {{Step::Uninit, 0, S_OK}, {Step::Init, STA, S_OK}}},
        {"other flags keep the model", {{Step::Init, STA | 0x4, S_OK}, {Step::Init, STA | 0x8, S_FALSE}}},
    };
    for (const auto& c : cases) {
        std::thread([&c] {
            for (std::size_t i = 0; i < c.steps.size(); ++i) {
                const Step& step = c.steps[i];
                if (step.action == Step::Uninit) {
                    CoUninitialize();
                    continue;
                }
                EXPECT_EQ(CoInitializeEx(nullptr, step.model), step.expected) << c.name << ", step " << i;
            }
        }).join();
    }
}

TEST(PlatformComTest, ApartmentsOfThreadsAreApart) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    std::thread([] { EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }).join();
    CoUninitialize();
}

TEST(PlatformComTest, ReservedPointerIsRefused) {
    int reserved = 0;
    std::thread([&reserved] {
        EXPECT_EQ(CoInitializeEx(&reserved, COINIT_APARTMENTTHREADED), E_INVALIDARG);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }).join();
}

TEST(PlatformComTest, ProgIdsKnowTheShellOnly) {
    const struct {
        const char16_t* progId;
        HRESULT expected;
    } cases[] = {
        {u"Shell.Application", S_OK},
        {u"shell.APPLICATION", S_OK},
        {u"Shell.Application ", CO_E_CLASSSTRING},
        {u"Shell", CO_E_CLASSSTRING},
        {u"Scripting.FileSystemObject", CO_E_CLASSSTRING},
        {u"", CO_E_CLASSSTRING},
        {nullptr, E_INVALIDARG},
    };
    for (const auto& c : cases) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.expected) << (c.progId ? "row" : "null");
        if (c.expected == S_OK) {
            EXPECT_TRUE(clsid == CLSID_Shell);
        }
    }
}

TEST(PlatformComTest, CreationNeedsAnApartmentAndAKnownClass) {
    std::thread([] {
        void* object = &object;
        EXPECT_EQ(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        const struct {
            const char* name;
            CLSID clsid;
            IUnknown* outer;
            DWORD context;
            IID iid;
            HRESULT expected;
        } cases[] = {
            {"shell as IUnknown", CLSID_Shell, nullptr, CLSCTX_ALL, IID_IUnknown, S_OK},
            {"shell as IShellDispatch", CLSID_Shell, nullptr, CLSCTX_ALL, IID_IShellDispatch, S_OK},
            {"in-process only", CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, S_OK},
            {"shell as Folder", CLSID_Shell, nullptr, CLSCTX_ALL, IID_Folder, E_NOINTERFACE},
            {"unknown class", IID_Folder, nullptr, CLSCTX_ALL, IID_IUnknown, REGDB_E_CLASSNOTREG},
            {"no in-process server", CLSID_Shell, nullptr, CLSCTX_ALL & ~CLSCTX_INPROC_SERVER, IID_IUnknown,
             REGDB_E_CLASSNOTREG},
        };
        for (const auto& c : cases) {
            ComPtr<IUnknown> object;
            EXPECT_EQ(CoCreateInstance(c.clsid, c.outer, c.context, c.iid, object.outVoid()), c.expected)
                << c.name;
            EXPECT_EQ(static_cast<bool>(object), c.expected == S_OK) << c.name;
        }
        CoUninitialize();
    }).join();
}

TEST(PlatformComTest, AggregationIsRefused) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ComPtr<IUnknown> shell;
    ASSERT_EQ(createShell(shell.outVoid(), IID_IUnknown), S_OK);
    ComPtr<IUnknown> aggregate;
    EXPECT_EQ(CoCreateInstance(CLSID_Shell, shell.get(), CLSCTX_ALL, IID_IUnknown, aggregate.outVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(aggregate);
    CoUninitialize();
}

TEST(PlatformComTest, QueryInterfaceAndReferenceCounts) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(createShell(reinterpret_cast<void**>(&unknown), IID_IUnknown), S_OK);
    EXPECT_EQ(OleRun(unknown), S_OK);

    IShellDispatch* shell = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IShellDispatch, reinterpret_cast<void**>(&shell)), S_OK);
    ASSERT_NE(shell, nullptr);
    void* folder = &folder;
    EXPECT_EQ(unknown->QueryInterface(IID_Folder, &folder), E_NOINTERFACE);
    EXPECT_EQ(folder, nullptr);
    EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    EXPECT_EQ(shell->AddRef(), 3u);
    EXPECT_EQ(shell->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(shell->Release(), 0u);
    CoUninitialize();
}

TEST(PlatformComTest, OleRunNeedsAnObject) {
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}

} // namespace
