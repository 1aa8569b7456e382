// Tests of the shell object's folders: which paths give folders, their items, names and arguments.
#include "tests/Platform/AsNobody.h"
#include "tests/Platform/Com/ShellSession.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <vector>

namespace {

enum class Kind { None, Directory, Archive };

// A directory folder refuses copies; a compressed folder looks for the (missing) item.
Kind kindOf(Folder* folder) {
    if (folder == nullptr)
        return Kind::None;
    const Variant missing(u"\\no\\such\\item");
    const HRESULT answer = folder->CopyHere(missing.get(), ShellSession::silent().get());
    return answer == HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED) ? Kind::Directory : Kind::Archive;
}

long countOf(Folder* folder) {
    ComPtr<FolderItems> items;
    EXPECT_EQ(folder->Items(items.out()), S_OK);
    long count = -1;
    if (items) {
        EXPECT_EQ(items->get_Count(&count), S_OK);
    }
    return count;
}

// ParseName's answer and the name of the item it found (empty when none).
std::pair<HRESULT, std::u16string> parse(Folder* folder, const std::u16string& name) {
    ComPtr<FolderItem> item;
    BSTR text = SysAllocString(name.c_str());
    const HRESULT answer = folder->ParseName(text, item.out());
    SysFreeString(text);
    std::u16string found;
    if (item) {
        BSTR itemName = nullptr;
        EXPECT_EQ(item->get_Name(&itemName), S_OK);
        found.assign(itemName, SysStringLen(itemName));
        SysFreeString(itemName);
    }
    return {answer, found};
}

struct ParseCase {
    std::u16string name;
    HRESULT expected;
    std::u16string found;
};

void expectParses(Folder* folder, const std::vector<ParseCase>& cases) {
    for (const ParseCase& c : cases) {
        const auto [answer, found] = parse(folder, c.name);
        EXPECT_EQ(answer, c.expected) << Platform::toPosixPath(c.name.c_str()).value_or("<unmapped>");
        EXPECT_EQ(found, c.found);
    }
}

TEST(PlatformComShellFolderTest, NameSpaceGivesFoldersForDirectoriesAndArchives) {
    TempFolder temp;
    ::mkdir(temp.posix("dir").c_str(), 0755);
    writeFile(temp.posix("empty.zip"), kEmptyArchive);
    writeFile(temp.posix("archive.bin"), kEmptyArchive);
    writeFile(temp.posix("text.txt"), "not an archive at all, just some words\n");
    writeFile(temp.posix("nothing.zip"), "");
    writeFile(temp.posix("cut.zip"), kEmptyArchive.substr(0, 21));
    ::mkfifo(temp.posix("fifo").c_str(), 0644);
    ShellSession shell;
    const struct {
        const char* name;
        std::string path;
        Kind expected;
    } cases[] = {
        {"directory", temp.path(), Kind::Directory},
        {"sub-directory", temp.posix("dir"), Kind::Directory},
        {"empty archive record", temp.posix("empty.zip"), Kind::Archive},
        {"archive of any name", temp.posix("archive.bin"), Kind::Archive},
        {"text file", temp.posix("text.txt"), Kind::None},
        {"cut record", temp.posix("cut.zip"), Kind::None},
        {"empty file", temp.posix("nothing.zip"), Kind::None},
        {"FIFO", temp.posix("fifo"), Kind::None},
        {"missing", temp.posix("missing.zip"), Kind::None},
        {"missing folder", temp.posix("missing/a.zip"), Kind::None},
    };
    for (const auto& c : cases) {
        ComPtr<Folder> folder;
        HRESULT answer = E_FAIL;
        shell.nameSpace(c.path, folder, &answer);
        EXPECT_EQ(answer, c.expected == Kind::None ? S_FALSE : S_OK) << c.name;
        EXPECT_EQ(kindOf(folder.get()), c.expected) << c.name;
    }
}

TEST(PlatformComShellFolderTest, NameSpaceOfWhatNamesNothingIsNull) {
    ShellSession shell;
    ComPtr<IShellDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_ALL, IID_IShellDispatch, dispatch.outVoid()),
              S_OK);
    const struct {
        const char* name;
        std::function<Variant()> location;
    } cases[] = {
        {"drive letter", [] { return Variant(u"C:\\"); }},
        {"UNC", [] { return Variant(u"\\\\server\\share"); }},
        {"empty text", [] { return Variant(u""); }},
        {"number", [] { return Variant::number(0x11); }},
        {"empty variant", [] { return Variant(); }},
    };
    for (const auto& c : cases) {
        ComPtr<Folder> folder;
        EXPECT_EQ(dispatch->NameSpace(c.location().get(), folder.out()), S_FALSE) << c.name;
        EXPECT_FALSE(folder) << c.name;
    }
    EXPECT_EQ(dispatch->NameSpace(Variant(u"\\").get(), nullptr), E_POINTER);
}

TEST(PlatformComShellFolderTest, NameSpaceOfWhatCannotBeReadFailsWithItsCause) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    TempFolder temp;
    ASSERT_EQ(::chmod(temp.path().c_str(), 0755), 0);
    writeFile(temp.posix("locked.zip"), kEmptyArchive);
    ASSERT_EQ(::chmod(temp.posix("locked.zip").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(temp.posix("closed").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(temp.posix("closed/inner").c_str(), 0755), 0);
    writeFile(temp.posix("closed/a.zip"), kEmptyArchive);
    const struct {
        const char* name;
        std::string path;
        HRESULT expected;
    } cases[] = {
        {"unreadable archive", temp.posix("locked.zip"), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"folder inside a closed folder", temp.posix("closed/inner"),
         HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"archive inside a closed folder", temp.posix("closed/a.zip"),
         HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"missing inside an open folder", temp.posix("gone.zip"), S_FALSE},
    };
    for (const auto& c : cases) {
        const int wrong = runAsNobody([&c] {
            ShellSession shell;
            ComPtr<Folder> folder;
            HRESULT answer = S_OK;
            shell.nameSpace(c.path, folder, &answer);
            return answer == c.expected && !folder ? 0 : 1;
        });
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

TEST(PlatformComShellFolderTest, DirectoryItemsAndNames) {
    TempFolder temp;
    writeFile(temp.posix("a.txt"), "a");
    writeFile(temp.posix("r\u00E9sum\u00E9 2024:q1.txt"), "b");
    ::mkdir(temp.posix("sub").c_str(), 0755);
    ShellSession shell;
    ComPtr<Folder> folder;
    shell.nameSpace(temp.path(), folder);
    ASSERT_TRUE(folder);
    EXPECT_EQ(countOf(folder.get()), 3);
    expectParses(folder.get(),
                 {
                     {u"a.txt", S_OK, u"a.txt"},
                     {u"sub", S_OK, u"sub"},
                     {u"r\u00E9sum\u00E9 2024\uF03Aq1.txt", S_OK, u"r\u00E9sum\u00E9 2024\uF03Aq1.txt"},
                     {u"A.TXT", S_FALSE, u""},
                     {u"missing.txt", S_FALSE, u""},
                     {u"", S_FALSE, u""},
                     {u"bad:name", S_FALSE, u""},
                 });
}

TEST(PlatformComShellFolderTest, ArchiveItemsAndNames) {
    TempFolder temp;
    const std::string archive = temp.posix("a.zip");
    writeFile(archive, kEmptyArchive);
    writeFile(temp.posix("one.txt"), "1");
    writeFile(temp.posix("2024:q1 \U0001D11E.txt"), "2");
    ShellSession shell;
    ComPtr<Folder> folder;
    shell.nameSpace(archive, folder);
    ASSERT_TRUE(folder);
    EXPECT_EQ(countOf(folder.get()), 0);
    EXPECT_EQ(parse(folder.get(), u"one.txt").first, S_FALSE) << "the empty archive holds nothing";

    ASSERT_EQ(shell.copy(archive, temp.posix("one.txt")), S_OK);
    ASSERT_EQ(shell.copy(archive, temp.posix("2024:q1 \U0001D11E.txt")), S_OK);
    EXPECT_EQ(countOf(folder.get()), 2) << "the folder sees the archive as it is now";
    expectParses(folder.get(), {
                                   {u"one.txt", S_OK, u"one.txt"},
                                   {u"2024\uF03Aq1 \U0001D11E.txt", S_OK, u"2024\uF03Aq1 \U0001D11E.txt"},
                                   {u"two.txt", S_FALSE, u""},
                                   {u"ONE.TXT", S_FALSE, u""},
                                   {u"", S_FALSE, u""},
                               });
}

TEST(PlatformComShellFolderTest, FolderObjectsAnswerTheirInterfacesOnly) {
    TempFolder temp;
    ShellSession shell;
    ComPtr<Folder> folder;
    shell.nameSpace(temp.path(), folder);
    ASSERT_TRUE(folder);
    ComPtr<FolderItems> items;
    ASSERT_EQ(folder->Items(items.out()), S_OK);
    const struct {
        const char* name;
        IUnknown* object;
        IID accepted;
        IID refused;
    } cases[] = {
        {"folder", folder.get(), IID_Folder, IID_IShellDispatch},
        {"items", items.get(), IID_FolderItems, IID_Folder},
    };
    for (const auto& c : cases) {
        ComPtr<IUnknown> same;
        EXPECT_EQ(c.object->QueryInterface(c.accepted, same.outVoid()), S_OK) << c.name;
        EXPECT_EQ(same.get(), c.object) << c.name;
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(c.object->QueryInterface(IID_IUnknown, unknown.outVoid()), S_OK) << c.name;
        ComPtr<IUnknown> other;
        EXPECT_EQ(c.object->QueryInterface(c.refused, other.outVoid()), E_NOINTERFACE) << c.name;
        EXPECT_FALSE(other) << c.name;
    }
    EXPECT_EQ(folder->Items(nullptr), E_POINTER);
    EXPECT_EQ(folder->ParseName(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(items->get_Count(nullptr), E_POINTER);
}

TEST(PlatformComShellFolderTest, CopyArgumentsAreChecked) {
    TempFolder temp;
    const std::string archive = temp.posix("a.zip");
    writeFile(archive, kEmptyArchive);
    writeFile(temp.posix("a.txt"), "a");
    const std::u16string item = Platform::toWin32Text(temp.posix("a.txt"));
    ShellSession shell;
    const struct {
        const char* name;
        std::function<Variant()> item;
        std::function<Variant()> options;
        HRESULT expected;
    } cases[] = {
        {"item as a number", [] { return Variant::number(1); }, [] { return Variant(); }, E_INVALIDARG},
        {"empty item", [] { return Variant(); }, [] { return Variant(); }, E_INVALIDARG},
        {"options as text", [&] { return Variant(item); }, [] { return Variant(u"4"); }, E_INVALIDARG},
        {"empty item text", [] { return Variant(u""); }, [] { return Variant(); },
         HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"drive letter", [] { return Variant(u"C:\\a.txt"); }, [] { return Variant(); },
         HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"UNC", [] { return Variant(u"\\\\server\\share\\a.txt"); }, [] { return Variant(); },
         HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)},
        {"no options", [&] { return Variant(item); }, [] { return Variant(); }, S_OK},
        {"silent", [&] { return Variant(item); }, [] { return Variant::number(FOF_SILENT); }, S_OK},
        {"other flags", [&] { return Variant(item); }, [] { return Variant::number(0x10); }, S_OK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell.transfer(&Folder::CopyHere, archive, c.item(), c.options()), c.expected) << c.name;
        EXPECT_EQ(shell.transfer(&Folder::MoveHere, archive, c.item(), c.options()),
                  c.expected == S_OK ? S_OK : c.expected)
            << c.name;
        writeFile(temp.posix("a.txt"), "a");
    }
}

} // namespace
