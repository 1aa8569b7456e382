// Tests of the Win32 handle stream on real files: opening, reading, writing, positioning, sizing.
#include "Win32/IoHandle.h"

#include "tests/System/AsUnprivilegedUser.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using System::Io::AccessMode;
using System::Io::OpenDisposition;
using System::Io::ShareMode;
using Handle = Rc::Local<Win32::IoHandle>;

constexpr long long kFiveGiB = 5LL << 30;

class IoHandleTest : public testing::Test {
protected:
    void open(Handle& handle, const Lang::String& name, OpenDisposition disposition, AccessMode access) {
        handle.open(folder.path(name), disposition, access, ShareMode::ReadWrite, 0, nullptr, nullptr);
    }

    TemporaryFolder folder;
    Handle handle;
};

TEST_F(IoHandleTest, WritesSeeksAndReadsBack) {
    open(handle, u"a.bin", OpenDisposition::CreateNew, AccessMode::ReadWrite);
    EXPECT_EQ(handle.getPath().toString(), folder.path(u"a.bin").toString());
    EXPECT_EQ(handle.write("hello", 5), 5);
    EXPECT_EQ(handle.seek(1, FILE_BEGIN), 1);
    char buffer[8] = {};
    EXPECT_EQ(handle.read(buffer, 8), 4);
    EXPECT_EQ(std::string(buffer), "ello");
    EXPECT_EQ(handle.read(buffer, 8), 0);
    EXPECT_EQ(handle.seek(-2, FILE_END), 3);
    handle.flush();
    handle.close();
    EXPECT_FALSE(handle.isOpen());
    EXPECT_EQ(handle.getPath().toString(), u"");
    EXPECT_EQ(folder.read(u"a.bin"), "hello");
}

TEST_F(IoHandleTest, OverlappedRecordsGiveThePosition) {
    open(handle, u"a.bin", OpenDisposition::CreateNew, AccessMode::ReadWrite);
    OVERLAPPED at{};
    at.Offset = 2;
    EXPECT_EQ(handle.writeAt("cd", 2, &at), 2u);
    at.Offset = 0;
    EXPECT_EQ(handle.writeAt("ab", 2, &at), 2u);
    char buffer[4] = {};
    at.Offset = 1;
    EXPECT_EQ(handle.readAt(buffer, 3, &at), 3u);
    EXPECT_EQ(std::string(buffer), "bcd");
}

TEST_F(IoHandleTest, MisuseOfAClosedHandle) {
    char buffer[4];
    EXPECT_EQ(handle.read(nullptr, 0), 0);
    EXPECT_EQ(handle.write(nullptr, 0), 0);
    const struct {
        const char* operation;
        std::function<void()> call;
        Thrown expected;
    } cases[] = {
        {"read", [&] { handle.read(buffer, 4); }, {"IoHandle not open", "Win32::IoHandle::doRead"}},
        {"readAt",
         [&] { handle.readAt(buffer, 4, nullptr); },
         {"IoHandle not open", "Win32::IoHandle::doRead"}},
        {"write", [&] { handle.write(buffer, 4); }, {"IoHandle not open", "Win32::IoHandle::doWrite"}},
        {"flush", [&] { handle.flush(); }, {"IoHandle not open", "Win32::IoHandle::flush"}},
        {"seek", [&] { handle.seek(0, FILE_BEGIN); }, {"File not open", "Win32::IoHandle::seek"}},
        {"setSize", [&] { handle.setSize(0); }, {"File not open", "Win32::IoHandle::seek"}},
        {"negative", [&] { handle.read(buffer, -1); }, {"negative byte count", "System::Io::checkedCount"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thrownBy(c.call), c.expected) << c.operation;
    handle.close();
}

TEST_F(IoHandleTest, MisuseOfAnOpenHandle) {
    open(handle, u"a.bin", OpenDisposition::CreateNew, AccessMode::ReadWrite);
    EXPECT_EQ(thrownBy([&] { handle.read(nullptr, 1); }),
              (Thrown{"read buffer is NULL", "Win32::IoHandle::doRead"}));
    EXPECT_EQ(thrownBy([&] { open(handle, u"b.bin", OpenDisposition::CreateNew, AccessMode::Read); }),
              (Thrown{"IoHandle already open", "Win32::IoHandle::open"}));
    EXPECT_FALSE(std::filesystem::exists(folder.posix(u"b.bin")));
    EXPECT_EQ(handle.write("x", 1), 1);
    EXPECT_EQ(handle.getPath().toString(), folder.path(u"a.bin").toString());
}

TEST_F(IoHandleTest, SystemFailuresCarryTheirCodes) {
    folder.write(u"a.bin", "abc");
    const struct {
        const char* operation;
        std::function<void()> call;
        Win32Thrown expected;
    } cases[] = {
        {"missing",
         [&] { open(handle, u"missing", OpenDisposition::OpenExisting, AccessMode::Read); },
         {2, kFileNotFoundText, "Win32::IoHandle::open"}},
        {"exists",
         [&] { open(handle, u"a.bin", OpenDisposition::CreateNew, AccessMode::Read); },
         {80, kFileExistsText, "Win32::IoHandle::open"}},
        {"read-only write",
         [&] {
             Handle reader;
             open(reader, u"a.bin", OpenDisposition::OpenExisting, AccessMode::Read);
             reader.write("x", 1);
         },
         {5, kAccessDeniedText, "Win32::IoHandle::doWrite"}},
        {"write-only read",
         [&] {
             Handle writer;
             char buffer[1];
             open(writer, u"a.bin", OpenDisposition::OpenExisting, AccessMode::Write);
             writer.read(buffer, 1);
         },
         {5, kAccessDeniedText, "Win32::IoHandle::doRead"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win32ThrownBy(c.call), c.expected) << c.operation;
    EXPECT_FALSE(handle.isOpen());
}

TEST_F(IoHandleTest, AttributeAccessOpensWithoutDataAccess) {
    folder.write(u"a.bin", "abc");
    open(handle, u"a.bin", OpenDisposition::OpenExisting, AccessMode{});
    BY_HANDLE_FILE_INFORMATION info{};
    ASSERT_TRUE(GetFileInformationByHandle(handle.getHandle(), &info));
    EXPECT_EQ(info.nFileSizeLow, 3u);
}

TEST_F(IoHandleTest, PositionsBeyondFourGiB) {
    open(handle, u"big.bin", OpenDisposition::CreateNew, AccessMode::ReadWrite);
    handle.setSize(kFiveGiB);
    EXPECT_EQ(std::filesystem::file_size(folder.posix(u"big.bin")), static_cast<std::uintmax_t>(kFiveGiB));
    EXPECT_EQ(handle.seek(0, FILE_CURRENT), kFiveGiB);
    EXPECT_EQ(handle.seek(0xFFFFFFFFLL, FILE_BEGIN), 0xFFFFFFFFLL);
    EXPECT_EQ(handle.seek(0x1FFFFFFFFLL, FILE_BEGIN), 0x1FFFFFFFFLL);
    EXPECT_EQ(handle.seek(0, FILE_END), kFiveGiB);
    handle.setSize(3);
    EXPECT_EQ(handle.seek(0, FILE_CURRENT), 3);
    EXPECT_EQ(std::filesystem::file_size(folder.posix(u"big.bin")), 3u);
    EXPECT_EQ(win32ThrownBy([&] { handle.seek(-1, FILE_BEGIN); }).function, "Win32::IoHandle::seek");
}

TEST_F(IoHandleTest, NamesOutsideAsciiAndTheBmp) {
    for (const Lang::String name : {u"r\u00E9sum\u00E9.txt", u"\u65E5\u672C.txt", u"\U0001F600 x.txt"}) {
        Handle named;
        open(named, name, OpenDisposition::CreateNew, AccessMode::Write);
        EXPECT_EQ(named.write("ok", 2), 2);
        named.close();
        EXPECT_EQ(folder.read(name), "ok") << toUtf8(name);
    }
}

TEST_F(IoHandleTest, PermissionDeniedForAnUnreadableFile) {
    folder.write(u"secret.bin", "abc");
    std::filesystem::permissions(folder.posix(), std::filesystem::perms::all);
    std::filesystem::permissions(folder.posix(u"secret.bin"), std::filesystem::perms::none);
    expectAsUnprivilegedUser(
        [&] {
            return win32ThrownBy(
                [&] { open(handle, u"secret.bin", OpenDisposition::OpenExisting, AccessMode::Read); });
        },
        Win32Thrown{5, kAccessDeniedText, "Win32::IoHandle::open"});
}

} // namespace
