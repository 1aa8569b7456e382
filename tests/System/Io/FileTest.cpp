// Tests of the stdio file on real files: the open rules and mode strings, the stream operations, errors.
#include "System/Io/File.h"

#include "Lang/ErrnoException.h"
#include "Lang/ErrnoText.h"
#include "Lang/StringCast.h"
#include "tests/Lang/ThrownBy.h"
#include "tests/System/AsUnprivilegedUser.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using namespace System::Io;
using enum OpenDisposition;
using System::Path;
using FilePointer = Rc::Pointer<File>;

std::string errnoMessage(const std::string& message, int errnoValue) {
    return message + ": " + Xtl::string_cast<std::string>(Lang::errnoText(errnoValue));
}

class FileTest : public testing::Test {
protected:
    FileTest() { folder.write(u"old.txt", "old content"); }

    void open(const Lang::String& name, OpenDisposition disposition, AccessMode access,
              OpenFlags flags = OpenFlags::None) {
        file->open(folder.path(name), disposition, access, ShareMode::None, flags);
    }

    TemporaryFolder folder;
    FilePointer file = Rc::Heap<File>::create();
};

TEST_F(FileTest, WritesTheEmptyArchiveRecord) {
    open(u"old.txt", CreateAlways, AccessMode::ReadWrite);
    EXPECT_EQ(file->getAccessMode(), AccessMode::ReadWrite);
    const std::string record = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    EXPECT_EQ(file->write(record.data(), 22), 22);
    EXPECT_EQ(file->seek(0, SEEK_END), 22);
    EXPECT_EQ(file->seek(0, SEEK_SET), 0);
    file->flush();
    EXPECT_EQ(file->getSize(), 22u);
    file->close();
    file->close();
    EXPECT_FALSE(file->isOpen());
    EXPECT_EQ(file->getAccessMode(), AccessMode{});
    EXPECT_EQ(folder.read(u"old.txt"), record);
}

TEST_F(FileTest, ModeStrings) {
    const Path existing = folder.path(u"old.txt");
    const Path missing = folder.path(u"new.txt");
    const struct {
        const Path& path;
        OpenDisposition disposition;
        AccessMode access;
        OpenFlags flags;
        Lang::String expected;
    } cases[] = {
        {existing, OpenExisting, AccessMode::Read, OpenFlags::None, u"rb"},
        {existing, OpenExisting, AccessMode::Write, OpenFlags::None, u"rb+"},
        {existing, OpenAlways, AccessMode::Write, OpenFlags::None, u"rb+"},
        {missing, OpenAlways, AccessMode::Write, OpenFlags::None, u"wb"},
        {existing, CreateAlways, AccessMode::Write, OpenFlags::None, u"wb"},
        {existing, TruncateExisting, AccessMode::Write, OpenFlags::None, u"wb"},
        {existing, OpenExisting, AccessMode::Write, OpenFlags::Append, u"ab"},
        {existing, TruncateExisting, AccessMode::ReadWrite, OpenFlags::Append, u"wb+"},
        {existing, OpenAlways, AccessMode::ReadWrite, OpenFlags::Append, u"ab+"},
        {existing, OpenAlways, AccessMode::ReadWrite, OpenFlags::None, u"rb+"},
        {missing, OpenAlways, AccessMode::ReadWrite, OpenFlags::None, u"wb+"},
        {existing, CreateAlways, AccessMode::ReadWrite, OpenFlags::None, u"wb+"},
        {missing, CreateNew, AccessMode::Write, OpenFlags::None, u"wbx"},
        {missing, CreateNew, AccessMode::ReadWrite, OpenFlags::None, u"wb+x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buildModeString(c.path, c.disposition, c.access, c.flags), c.expected)
            << toUtf8(c.path.str()) << " " << static_cast<int>(c.disposition) << " "
            << static_cast<int>(c.access) << " " << static_cast<int>(c.flags);
}

TEST_F(FileTest, OpeningAnExistingFileForWritingKeepsItsContent) {
    for (const OpenDisposition disposition : {OpenExisting, OpenAlways}) {
        open(u"old.txt", disposition, AccessMode::Write);
        EXPECT_EQ(file->write("OLD", 3), 3);
        file->close();
        EXPECT_EQ(folder.read(u"old.txt"), "OLD content") << static_cast<int>(disposition);
        folder.write(u"old.txt", "old content");
    }
    open(u"old.txt", OpenExisting, AccessMode::Write, OpenFlags::Append);
    file->write("!", 1);
    file->close();
    EXPECT_EQ(folder.read(u"old.txt"), "old content!");
}

TEST_F(FileTest, RefusedOpensChangeNothing) {
    std::filesystem::create_directory(folder.posix(u"sub"));
    const auto refusal = [](const Path& path, const char* reason) {
        return Thrown{"File: " + toUtf8(path.str()) + reason, "System::Io::verifyOpenRequirements"};
    };
    const Thrown illegal{"Illegal Open Mode", "System::Io::buildModeString"};
    const struct {
        Lang::String name;
        OpenDisposition disposition;
        AccessMode access;
        Thrown expected;
    } cases[] = {
        {u"old.txt", CreateNew, AccessMode::Write, refusal(folder.path(u"old.txt"), " already exists.")},
        {u"old.txt", CreateNew, AccessMode{}, refusal(folder.path(u"old.txt"), " already exists.")},
        {u"sub", OpenExisting, AccessMode::Read, refusal(folder.path(u"sub"), " does not exist.")},
        {u"new.txt", TruncateExisting, AccessMode::Write,
         refusal(folder.path(u"new.txt"), " does not exist.")},
        {u"old.txt", OpenExisting, AccessMode{0}, illegal},
        {u"old.txt", OpenExisting, AccessMode{4}, illegal},
        {u"old.txt", CreateAlways, AccessMode{4}, illegal},
        {u"old.txt", CreateAlways, AccessMode::Read, illegal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(thrownBy([&] { open(c.name, c.disposition, c.access); }), c.expected) << c.expected.message;
        EXPECT_FALSE(file->isOpen());
        EXPECT_EQ(folder.read(u"old.txt"), "old content") << c.expected.message;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.posix(u"new.txt")));
}

TEST_F(FileTest, CreateAlwaysOverAFolderFailsToDeleteIt) {
    std::filesystem::create_directory(folder.posix(u"sub"));
    EXPECT_EQ(win32ThrownBy([&] { open(u"sub", CreateAlways, AccessMode::ReadWrite); }),
              (Win32Thrown{5, kAccessDeniedText, "System::FileSystem::deleteFile"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.posix(u"sub")));
}

TEST_F(FileTest, ASecondOpenFails) {
    open(u"old.txt", OpenExisting, AccessMode::Read);
    EXPECT_EQ(thrownBy([&] { open(u"new.txt", CreateNew, AccessMode::Write); }),
              (Thrown{"File already open", "System::Io::File::open"}));
    EXPECT_EQ(file->getAccessMode(), AccessMode::Read);
    EXPECT_FALSE(std::filesystem::exists(folder.posix(u"new.txt")));
}

TEST_F(FileTest, OpenFailuresCarryTheErrnoText) {
    const Path missing = folder.path(u"new.txt");
    EXPECT_EQ(thrownBy([&] { open(u"new.txt", OpenAlways, AccessMode::Read); }),
              (Thrown{errnoMessage("Failed to Open File \"" + toUtf8(missing.str()) + "\"", 2),
                      "System::Io::File::open"}));
    folder.write(u"secret.txt", "s");
    std::filesystem::permissions(folder.posix(), std::filesystem::perms::all);
    std::filesystem::permissions(folder.posix(u"secret.txt"), std::filesystem::perms::none);
    const Path secret = folder.path(u"secret.txt");
    expectAsUnprivilegedUser(
        [&] { return thrownBy([&] { open(u"secret.txt", OpenExisting, AccessMode::Read); }); },
        Thrown{errnoMessage("Failed to Open File \"" + toUtf8(secret.str()) + "\"", 13),
               "System::Io::File::open"});
}

TEST_F(FileTest, MisuseOfAClosedFile) {
    char buffer[4] = {};
    EXPECT_EQ(file->read(nullptr, 0), 0);
    EXPECT_EQ(file->write(nullptr, 0), 0);
    const struct {
        const char* function;
        std::function<void()> call;
    } cases[] = {
        {"read", [&] { file->read(buffer, 4); }},
        {"write", [&] { file->write(buffer, 4); }},
        {"seek", [&] { file->seek(0, SEEK_SET); }},
        {"flush", [&] { file->flush(); }},
        {"eof", [&] { file->eof(); }},
        {"setSize", [&] { file->setSize(0); }},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thrownBy(c.call),
                  (Thrown{"file is not open", std::string("System::Io::File::") + c.function}));
}

TEST_F(FileTest, MisuseOfAnOpenFile) {
    open(u"old.txt", OpenExisting, AccessMode::ReadWrite);
    char buffer[4];
    const struct {
        std::function<void()> call;
        Thrown expected;
    } cases[] = {
        {[&] { file->read(nullptr, 1); }, {"read buffer is NULL", "System::Io::File::read"}},
        {[&] { file->write(nullptr, 1); }, {"write buffer is NULL", "System::Io::File::write"}},
        {[&] { file->read(buffer, -1); }, {"negative byte count", "System::Io::checkedCount"}},
        {[&] { file->seek(-1, SEEK_SET); }, {"seek failed", "System::Io::File::seek"}},
        {[&] { file->setSize(-1); },
         {errnoMessage("failed to set file size", 22), "System::Io::File::setSize"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thrownBy(c.call), c.expected);
}

TEST_F(FileTest, ReadsToTheEnd) {
    open(u"old.txt", OpenExisting, AccessMode::Read);
    char buffer[32] = {};
    EXPECT_EQ(file->seek(4, SEEK_SET), 4);
    EXPECT_EQ(file->seek(0, SEEK_CUR), 4);
    EXPECT_FALSE(file->eof());
    EXPECT_EQ(file->read(buffer, 32), 7);
    EXPECT_EQ(std::string(buffer), "content");
    EXPECT_TRUE(file->eof());
    EXPECT_EQ(file->read(buffer, 32), 0);
}

TEST_F(FileTest, StreamFailuresCarryTheErrnoText) {
    open(u"old.txt", OpenExisting, AccessMode::Write, OpenFlags::Append);
    char buffer[4];
    try {
        file->read(buffer, 4);
        ADD_FAILURE() << "reading a stream opened for writing did not fail";
    } catch (const Lang::ErrnoException& error) {
        EXPECT_EQ(error.what(), errnoMessage("fread failed", 9));
        EXPECT_EQ(std::u16string(error.getLocation()), u"Unknown Location");
    }
    file->close();
    file->open(Path(u"\\dev\\full"), OpenExisting, AccessMode::Write, ShareMode::ReadWrite, OpenFlags::None);
    const std::string block(1 << 16, 'x');
    EXPECT_EQ(thrownBy([&] { file->write(block.data(), static_cast<int>(block.size())); }),
              (Thrown{errnoMessage("fwrite failed", 28), "System::Io::File::write"}));
}

TEST_F(FileTest, SetSizeTruncatesAndExtends) {
    open(u"old.txt", OpenExisting, AccessMode::ReadWrite);
    char buffer[16] = {};
    EXPECT_EQ(file->read(buffer, 3), 3);
    file->setSize(3);
    EXPECT_EQ(file->seek(0, SEEK_CUR), 3);
    EXPECT_EQ(file->read(buffer, 16), 0);
    EXPECT_EQ(folder.read(u"old.txt"), "old");
    file->setSize(5);
    EXPECT_EQ(file->write("!", 1), 1);
    file->close();
    EXPECT_EQ(folder.read(u"old.txt"), std::string("old\0\0!", 6));
}

TEST_F(FileTest, SizeAfterCloseAsksAboutTheEmptyPath) {
    open(u"old.txt", OpenExisting, AccessMode::Read);
    EXPECT_EQ(file->getSize(), 11u);
    file->close();
    EXPECT_EQ(
        thrownBy([&] { file->getSize(); }),
        (Thrown{"Failed to get size: Not a file: in path string \"\"", "System::FileSystem::getFileSize"}));
}

TEST_F(FileTest, TheLastPointerClosesTheFile) {
    open(u"new.txt", CreateNew, AccessMode::Write);
    file->write("kept", 4);
    file = FilePointer();
    EXPECT_EQ(folder.read(u"new.txt"), "kept");
    EXPECT_EQ(thrownBy<Lang::NullPointerException>([&] { file->isOpen(); }),
              (Thrown{"NULL class System::Io::File pointer", "Rc::Pointer<System::Io::File>::operator->"}));
}

TEST_F(FileTest, NamesOutsideAsciiAndTheBmp) {
    for (const Lang::String name : {u"r\u00E9sum\u00E9.txt", u"\u65E5\u672C.txt", u"\U0001F600.txt"}) {
        open(name, CreateNew, AccessMode::ReadWrite);
        EXPECT_EQ(file->write("ok", 2), 2);
        file->close();
        EXPECT_EQ(folder.read(name), "ok") << toUtf8(name);
    }
}

} // namespace
