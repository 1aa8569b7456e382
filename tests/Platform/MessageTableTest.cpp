// Tests of FormatMessageW's built-in message table and the LocalAlloc blocks it hands out.
#include "Platform/Windows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr DWORD kLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
constexpr DWORD kAllocate = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER;

// The text FormatMessageW allocates for `id` with `flags`, freed again; nothing when it fails.
std::optional<std::u16string> allocatedMessage(DWORD id,
                                               DWORD flags = kAllocate | FORMAT_MESSAGE_IGNORE_INSERTS) {
    LPWSTR buffer = nullptr;
    const DWORD length =
        FormatMessageW(flags, nullptr, id, kLanguage, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0) {
        EXPECT_EQ(buffer, nullptr);
        return std::nullopt;
    }
    std::u16string text(buffer, length);
    EXPECT_EQ(buffer[length], u'\0');
    EXPECT_EQ(LocalFree(buffer), nullptr);
    return text;
}

// Every code the stand-ins can report.
const DWORD kWin32Codes[] = {
    ERROR_SUCCESS,
    ERROR_FILE_NOT_FOUND,
    ERROR_PATH_NOT_FOUND,
    ERROR_TOO_MANY_OPEN_FILES,
    ERROR_ACCESS_DENIED,
    ERROR_INVALID_HANDLE,
    ERROR_NOT_ENOUGH_MEMORY,
    ERROR_OUTOFMEMORY,
    ERROR_NOT_SAME_DEVICE,
    ERROR_NO_MORE_FILES,
    ERROR_WRITE_FAULT,
    ERROR_READ_FAULT,
    ERROR_GEN_FAILURE,
    ERROR_SHARING_VIOLATION,
    ERROR_HANDLE_EOF,
    ERROR_HANDLE_DISK_FULL,
    ERROR_NOT_SUPPORTED,
    ERROR_BAD_NETPATH,
    ERROR_FILE_EXISTS,
    ERROR_INVALID_PARAMETER,
    ERROR_DISK_FULL,
    ERROR_CALL_NOT_IMPLEMENTED,
    ERROR_INSUFFICIENT_BUFFER,
    ERROR_INVALID_NAME,
    ERROR_NEGATIVE_SEEK,
    ERROR_SEEK_ON_DEVICE,
    ERROR_DIR_NOT_EMPTY,
    ERROR_BUSY,
    ERROR_ALREADY_EXISTS,
    ERROR_FILENAME_EXCED_RANGE,
    ERROR_FILE_TOO_LARGE,
    ERROR_DIRECTORY,
    ERROR_MR_MID_NOT_FOUND,
    ERROR_NOACCESS,
    ERROR_IO_DEVICE,
    ERROR_FILE_CORRUPT,
    ERROR_CANT_RESOLVE_FILENAME,
    ERROR_INVALID_DATA,
};

const HRESULT kHresults[] = {
    E_NOINTERFACE,      E_POINTER,           E_FAIL,           E_OUTOFMEMORY,       E_INVALIDARG,
    RPC_E_CHANGED_MODE, CO_E_NOTINITIALIZED, CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG, CLASS_E_NOAGGREGATION,
};

bool endsWithOneLineBreak(const std::u16string& text) {
    return text.size() > 2 && text.ends_with(u"\r\n") && text.find_first_of(u"\r\n") == text.size() - 2;
}

TEST(PlatformMessageTableTest, EveryCodeHasOneLineOfTextEndingInCrLf) {
    for (const DWORD code : kWin32Codes) {
        const auto text = allocatedMessage(code);
        ASSERT_TRUE(text.has_value()) << code;
        EXPECT_TRUE(endsWithOneLineBreak(*text)) << code;
    }
    for (const HRESULT hr : kHresults) {
        const auto text = allocatedMessage(static_cast<DWORD>(hr));
        ASSERT_TRUE(text.has_value()) << std::hex << hr;
        EXPECT_TRUE(endsWithOneLineBreak(*text)) << std::hex << hr;
    }
}

TEST(PlatformMessageTableTest, Win32HresultsReadAsTheirCode) {
    for (const DWORD code : kWin32Codes) {
        EXPECT_EQ(allocatedMessage(static_cast<DWORD>(HRESULT_FROM_WIN32(code))), allocatedMessage(code))
            << code;
    }
}

TEST(PlatformMessageTableTest, CustomaryTexts) {
    struct Case {
        DWORD id;
        std::u16string expected;
    };
    const Case cases[] = {
        {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
        {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified.\r\n"},
        {ERROR_ACCESS_DENIED, u"Access is denied.\r\n"},
        {ERROR_DISK_FULL, u"There is not enough space on the disk.\r\n"},
        {ERROR_FILE_EXISTS, u"The file exists.\r\n"},
        {static_cast<DWORD>(E_POINTER), u"Invalid pointer\r\n"},
        {static_cast<DWORD>(E_FAIL), u"Unspecified error\r\n"},
        {static_cast<DWORD>(E_INVALIDARG), u"The parameter is incorrect.\r\n"},
        {static_cast<DWORD>(E_OUTOFMEMORY),
         u"Not enough memory resources are available to complete this operation.\r\n"},
        {static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), u"Access is denied.\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(allocatedMessage(c.id, kAllocate), c.expected) << std::hex << c.id;
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << std::hex << c.id;
    }
}

TEST(PlatformMessageTableTest, UnknownCodesFailSoCallersTakeTheirFallback) {
    const DWORD unknown[] = {
        1, 9999, static_cast<DWORD>(S_FALSE), 0x80070001, 0x8007FFFF, 0x80040201, 0xA0001234, 0x00070002,
    };
    for (const DWORD id : unknown) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(allocatedMessage(id), std::nullopt) << std::hex << id;
        EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND) << std::hex << id;
    }
}

TEST(PlatformMessageTableTest, InsertsNeedIgnoreInserts) {
    EXPECT_EQ(allocatedMessage(ERROR_MR_MID_NOT_FOUND, kAllocate), std::nullopt);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(allocatedMessage(ERROR_MR_MID_NOT_FOUND),
              u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n");
}

TEST(PlatformMessageTableTest, CallersBufferMustHoldTextAndNul) {
    const std::u16string expected = u"Access is denied.\r\n";
    WCHAR buffer[32];
    const auto fits = static_cast<DWORD>(expected.size() + 1);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buffer, fits, nullptr),
              expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);

    buffer[0] = u'x';
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buffer, fits - 1, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buffer[0], u'x');
}

TEST(PlatformMessageTableTest, OnlySystemMessagesAreServed) {
    WCHAR buffer[64];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5, 0, buffer, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(PlatformMessageTableTest, LocalAllocGivesFixedAndZeroedBlocks) {
    auto* zeroed = static_cast<unsigned char*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, 64));
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(zeroed[i], 0) << i;
    }
    EXPECT_EQ(LocalFree(zeroed), nullptr);

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);

    constexpr UINT kMoveable = 0x0002;
    EXPECT_EQ(LocalAlloc(kMoveable, 16), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
