// Tests of CreateFileW and the calls on its handles, on real files.
#include "Platform/Windows.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr std::uint64_t kFiveGiB = 5ull << 30;

HANDLE openFile(const std::u16string& text, DWORD access, DWORD disposition, DWORD flags = 0) {
    return CreateFileW(text.c_str(), access, 0, nullptr, disposition, flags, nullptr);
}

// Closes a handle at scope end.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : m_handle(handle) {}
    ~ScopedHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            CloseHandle(m_handle);
        }
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

std::string readAll(HANDLE handle, DWORD count) {
    std::string data(count, '\0');
    DWORD got = 0;
    EXPECT_EQ(ReadFile(handle, data.data(), count, &got, nullptr), TRUE);
    data.resize(got);
    return data;
}

std::uint64_t sizeOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
}

TEST(PlatformFileHandleTest, DispositionsKeepTheirWin32Meaning) {
    struct Case {
        const char* name;
        DWORD disposition;
        std::optional<std::string> before;
        DWORD error;
        std::optional<std::string> after;
    };
    const Case cases[] = {
        {"create new, missing", CREATE_NEW, std::nullopt, ERROR_SUCCESS, ""},
        {"create new, existing", CREATE_NEW, "abc", ERROR_FILE_EXISTS, "abc"},
        {"create always, missing", CREATE_ALWAYS, std::nullopt, ERROR_SUCCESS, ""},
        {"create always, existing", CREATE_ALWAYS, "abc", ERROR_ALREADY_EXISTS, ""},
        {"open existing, missing", OPEN_EXISTING, std::nullopt, ERROR_FILE_NOT_FOUND, std::nullopt},
        {"open existing, existing", OPEN_EXISTING, "abc", ERROR_SUCCESS, "abc"},
        {"open always, missing", OPEN_ALWAYS, std::nullopt, ERROR_SUCCESS, ""},
        {"open always, existing", OPEN_ALWAYS, "abc", ERROR_ALREADY_EXISTS, "abc"},
        {"truncate existing, missing", TRUNCATE_EXISTING, std::nullopt, ERROR_FILE_NOT_FOUND, std::nullopt},
        {"truncate existing, existing", TRUNCATE_EXISTING, "abc", ERROR_SUCCESS, ""},
        {"no disposition", 0, "abc", ERROR_INVALID_PARAMETER, "abc"},
        {"unknown disposition", 6, "abc", ERROR_INVALID_PARAMETER, "abc"},
    };
    TempFolder folder;
    int row = 0;
    for (const Case& c : cases) {
        const std::string name = "file" + std::to_string(row++);
        if (c.before) {
            writeFile(folder.posix(name), *c.before);
        }
        const HANDLE handle = openFile(folder.win32(name), kReadWrite, c.disposition);
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        const bool opened = c.error == ERROR_SUCCESS || c.error == ERROR_ALREADY_EXISTS;
        EXPECT_EQ(handle != INVALID_HANDLE_VALUE, opened) << c.name;
        EXPECT_NE(handle, nullptr) << c.name;
        if (opened) {
            EXPECT_EQ(CloseHandle(handle), TRUE) << c.name;
        }
        EXPECT_EQ(::access(folder.posix(name).c_str(), F_OK) == 0, c.after.has_value()) << c.name;
        if (c.after) {
            EXPECT_EQ(readFile(folder.posix(name)), *c.after) << c.name;
        }
    }
}

TEST(PlatformFileHandleTest, RefusedOpens) {
    TempFolder folder;
    addFileAndFolder(folder);
    struct Case {
        const char* name;
        std::u16string text;
        DWORD access;
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {"truncate without write access", folder.win32("file"), GENERIC_READ, TRUNCATE_EXISTING,
         ERROR_INVALID_PARAMETER},
        {"folder for reading", folder.win32("dir"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"folder for information", folder.win32("dir"), 0, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"folder for writing", folder.win32("dir"), GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"folder replaced", folder.win32("dir"), kReadWrite, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"missing folder", folder.win32("missing/file"), kReadWrite, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"file as folder", folder.win32("file/x"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"drive", u"C:\\file", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"UNC", u"\\\\server\\share\\file", GENERIC_READ, OPEN_EXISTING, ERROR_BAD_NETPATH},
        {"empty", u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(openFile(c.text, c.access, c.disposition), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
}

TEST(PlatformFileHandleTest, FolderOpensWithBackupSemantics) {
    TempFolder folder;
    ScopedHandle handle(openFile(folder.win32(""), 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    ASSERT_NE(handle.get(), INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION information{};
    ASSERT_EQ(GetFileInformationByHandle(handle.get(), &information), TRUE);
    EXPECT_EQ(information.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(sizeOf(information), 0u);
}

TEST(PlatformFileHandleTest, AccessZeroHandleServesInformationOnly) {
    TempFolder folder;
    writeFile(folder.posix("file"), "hello");
    ASSERT_EQ(::chmod(folder.posix("file").c_str(), 0), 0);
    ScopedHandle handle(openFile(folder.win32("file"), 0, OPEN_EXISTING));
    ASSERT_NE(handle.get(), INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION information{};
    ASSERT_EQ(GetFileInformationByHandle(handle.get(), &information), TRUE);
    EXPECT_EQ(sizeOf(information), 5u);
    EXPECT_EQ(information.dwFileAttributes, FILE_ATTRIBUTE_READONLY);

    char buffer[8];
    DWORD moved = 99;
    EXPECT_EQ(ReadFile(handle.get(), buffer, sizeof buffer, &moved, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(WriteFile(handle.get(), "x", 1, &moved, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetFilePointer(handle.get(), 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetEndOfFile(handle.get()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(FlushFileBuffers(handle.get()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(PlatformFileHandleTest, ReadWriteAndPositionalTransfers) {
    TempFolder folder;
    ScopedHandle handle(openFile(folder.win32("file"), kReadWrite, CREATE_NEW));
    ASSERT_NE(handle.get(), INVALID_HANDLE_VALUE);
    DWORD moved = 0;
    ASSERT_EQ(WriteFile(handle.get(), "hello world", 11, &moved, nullptr), TRUE);
    EXPECT_EQ(moved, 11u);
    EXPECT_EQ(WriteFile(handle.get(), nullptr, 0, &moved, nullptr), TRUE);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(WriteFile(handle.get(), nullptr, 1, &moved, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NOACCESS);

    OVERLAPPED at{};
    at.Offset = 6;
    ASSERT_EQ(WriteFile(handle.get(), "WORLD", 5, &moved, &at), TRUE);
    EXPECT_EQ(readFile(folder.posix("file")), "hello WORLD");
    // The file pointer is left behind the data a positional transfer moved.
    EXPECT_EQ(SetFilePointer(handle.get(), 0, nullptr, FILE_CURRENT), 11u);

    ASSERT_EQ(SetFilePointer(handle.get(), 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_EQ(readAll(handle.get(), 5), "hello");
    EXPECT_EQ(readAll(handle.get(), 100), " WORLD");
    EXPECT_EQ(readAll(handle.get(), 100), "");

    char buffer[4] = {};
    at.Offset = 4;
    ASSERT_EQ(ReadFile(handle.get(), buffer, 3, &moved, &at), TRUE);
    EXPECT_EQ(std::string(buffer, moved), "o W");
    at.Offset = 11;
    EXPECT_EQ(ReadFile(handle.get(), buffer, 3, &moved, &at), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    at.OffsetHigh = 0x80000000;
    EXPECT_EQ(ReadFile(handle.get(), buffer, 3, &moved, &at), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(PlatformFileHandleTest, ReadOnlyHandleRefusesWrites) {
    TempFolder folder;
    writeFile(folder.posix("file"), "abc");
    ScopedHandle handle(openFile(folder.win32("file"), GENERIC_READ, OPEN_EXISTING));
    DWORD moved = 0;
    EXPECT_EQ(WriteFile(handle.get(), "x", 1, &moved, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetEndOfFile(handle.get()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(readAll(handle.get(), 10), "abc");
}

TEST(PlatformFileHandleTest, SetFilePointerMovesAndReports) {
    TempFolder folder;
    writeFile(folder.posix("file"), "0123456789");
    ScopedHandle handle(openFile(folder.win32("file"), GENERIC_READ, OPEN_EXISTING));
    struct Case {
        const char* name;
        LONG low;
        std::optional<LONG> high;
        DWORD method;
        DWORD result;
        LONG highAfter;
        DWORD error;
    };
    const Case cases[] = {
        {"begin", 3, std::nullopt, FILE_BEGIN, 3, 0, ERROR_SUCCESS},
        {"current", 2, std::nullopt, FILE_CURRENT, 5, 0, ERROR_SUCCESS},
        {"current back", -1, std::nullopt, FILE_CURRENT, 4, 0, ERROR_SUCCESS},
        {"end", -1, std::nullopt, FILE_END, 9, 0, ERROR_SUCCESS},
        {"past the end", 100, 0, FILE_END, 110, 0, ERROR_SUCCESS},
        {"low half all ones", -1, 1, FILE_BEGIN, 0xFFFFFFFF, 1, ERROR_SUCCESS},
        {"high half", 7, 2, FILE_BEGIN, 7, 2, ERROR_SUCCESS},
        {"beyond 32 bits without a high part", 0, std::nullopt, FILE_CURRENT, INVALID_SET_FILE_POINTER, 0,
         ERROR_INVALID_PARAMETER},
        {"before the start", -1, std::nullopt, FILE_BEGIN, INVALID_SET_FILE_POINTER, 0, ERROR_NEGATIVE_SEEK},
        {"before the start, 64-bit", 0, -1, FILE_END, INVALID_SET_FILE_POINTER, -1, ERROR_NEGATIVE_SEEK},
        {"unknown method", 0, std::nullopt, 3, INVALID_SET_FILE_POINTER, 0, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        LONG high = c.high.value_or(0);
        const DWORD result = SetFilePointer(handle.get(), c.low, c.high ? &high : nullptr, c.method);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(high, c.highAfter) << c.name;
    }
    // A failed move leaves the position where it was.
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(handle.get(), 0, &high, FILE_CURRENT), 7u);
    EXPECT_EQ(high, 2);
}

TEST(PlatformFileHandleTest, SetEndOfFileCutsAtThePosition) {
    TempFolder folder;
    writeFile(folder.posix("file"), "0123456789");
    ScopedHandle handle(openFile(folder.win32("file"), kReadWrite, OPEN_EXISTING));
    ASSERT_EQ(SetFilePointer(handle.get(), 4, nullptr, FILE_BEGIN), 4u);
    ASSERT_EQ(SetEndOfFile(handle.get()), TRUE);
    EXPECT_EQ(SetFilePointer(handle.get(), 0, nullptr, FILE_CURRENT), 4u);
    EXPECT_EQ(FlushFileBuffers(handle.get()), TRUE);
    EXPECT_EQ(readFile(folder.posix("file")), "0123");
}

TEST(PlatformFileHandleTest, SizesBeyondFourGiB) {
    TempFolder folder;
    ScopedHandle handle(openFile(folder.win32("sparse"), kReadWrite, CREATE_NEW));
    LONG high = static_cast<LONG>(kFiveGiB >> 32);
    ASSERT_EQ(SetFilePointer(handle.get(), static_cast<LONG>(kFiveGiB & 0xFFFFFFFF), &high, FILE_BEGIN),
              static_cast<DWORD>(kFiveGiB));
    ASSERT_EQ(SetEndOfFile(handle.get()), TRUE);

    BY_HANDLE_FILE_INFORMATION information{};
    ASSERT_EQ(GetFileInformationByHandle(handle.get(), &information), TRUE);
    EXPECT_EQ(information.nFileSizeHigh, 1u);
    EXPECT_EQ(information.nFileSizeLow, 0x40000000u);
    EXPECT_EQ(information.nNumberOfLinks, 1u);

    struct stat status {};
    ASSERT_EQ(::stat(folder.posix("sparse").c_str(), &status), 0);
    EXPECT_EQ((static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
              status.st_ino);
    // FILETIME counts 100 ns from 1601; 11644473600 s lie between 1601 and 1970.
    const std::uint64_t writeTime =
        (static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
        information.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(writeTime / 10000000 - 11644473600, static_cast<std::uint64_t>(status.st_mtim.tv_sec));
    EXPECT_LE((static_cast<std::uint64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
                  information.ftCreationTime.dwLowDateTime,
              writeTime);
}

TEST(PlatformFileHandleTest, ClosedAndForeignHandlesAreInvalid) {
    TempFolder folder;
    const HANDLE handle = openFile(folder.win32("file"), kReadWrite, CREATE_NEW);
    ASSERT_EQ(CloseHandle(handle), TRUE);
    DWORD moved = 0;
    const HANDLE invalid[] = {handle, INVALID_HANDLE_VALUE, nullptr, reinterpret_cast<HANDLE>(0x1234)};
    for (const HANDLE candidate : invalid) {
        EXPECT_EQ(CloseHandle(candidate), FALSE) << candidate;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << candidate;
        EXPECT_EQ(WriteFile(candidate, "x", 1, &moved, nullptr), FALSE) << candidate;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << candidate;
    }
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW(folder.win32("*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(search), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(FindClose(search), TRUE);
}

} // namespace
