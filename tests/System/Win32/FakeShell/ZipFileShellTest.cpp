// Tests of the zip operation over a shell that fails or misbehaves at each step: what it reports, how
// soon, what it leaves on disk, and the order in which it lets go of every string, COM object and the
// apartment.
#include "System/Win32/ZipFile.h"

#include "Platform/PathText.h"

#include "tests/Lang/ThrownBy.h"
#include "tests/System/TemporaryFolder.h"
#include "tests/System/Win32/FakeShell/FakeCom.h"
#include "tests/System/Win32/Snapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace {

using namespace std::chrono_literals;
using System::Win32::ZipFile;

struct Outcome {
    std::string thrown;
    std::string calls;
    Snapshot files;
    std::chrono::steady_clock::duration took;
    std::string thrownAt; // the function part of the failure's location
};

const std::string kNothing = "(nothing thrown)";
const std::string kOperation = "System::Win32::ZipFile::zip";
const Snapshot kUntouched = {{"a.txt", "data"}, {"a.txt.zip", "old"}};

// The calls up to the three interface pointers held, and the release of all but the item's variants.
const std::string kShell = "init +archive +parent clsid create run qi";
const std::string kFolders = kShell + " NameSpace:archive NameSpace:parent Items";
const std::string kReleased = "-items -parentFolder -archiveFolder -shell -parent -archive uninit";

std::filesystem::path posixOf(const std::u16string& text) {
    return Platform::toPosixPath(text.c_str()).value();
}

std::function<HRESULT(const std::u16string&)> answer(HRESULT hr) {
    return [hr](const std::u16string&) { return hr; };
}

// The shell's move: the item is gone once the call returns.
HRESULT takeItem(const std::u16string& item) {
    std::filesystem::remove(posixOf(item));
    return S_OK;
}

// Zips a.txt, holding "data", into a.txt.zip, holding "old", in a new folder, with the shell as
// `script` plays it; every string and object is to be let go by the end.
Outcome zipWith(const ShellScript& script, bool move) {
    TemporaryFolder folder;
    folder.write(u"a.txt", "data");
    folder.write(u"a.txt.zip", "old");
    const Lang::String item = folder.path(u"a.txt").str();
    fakeCom.script = script;
    fakeCom.nameOf = [&](const std::u16string& text) -> std::string {
        if (text == item)
            return "item";
        if (text == folder.path().str())
            return "parent";
        if (text == u"a.txt")
            return "name";
        if (text.starts_with(folder.path().str() + u"\\zipfile-") && text.ends_with(u".tmp"))
            return "archive";
        return Lang::toUtf8(text);
    };
    const auto start = std::chrono::steady_clock::now();
    const Thrown thrown =
        thrownBy([&] { ZipFile::zip(folder.path(u"a.txt.zip"), folder.path(u"a.txt"), move); });
    const auto took = std::chrono::steady_clock::now() - start;
    std::string calls;
    for (const std::string& call : fakeCom.calls)
        calls += (calls.empty() ? "" : " ") + call;
    EXPECT_EQ(fakeCom.liveObjects, 0) << calls;
    EXPECT_TRUE(fakeCom.strings.empty()) << calls;
    fakeCom = FakeCom();
    return {thrown.message, calls, snapshotOf(folder.posix()), took, thrown.function};
}

// One zip: the shell's script, and what is to come of it, at once.
struct Row {
    const char* name;
    ShellScript script;
    bool move;
    std::string thrown;
    std::string calls;
    Snapshot files = kUntouched;
};

void expectPromptly(const Row& row) {
    const Outcome outcome = zipWith(row.script, row.move);
    EXPECT_EQ(outcome.thrown, row.thrown) << row.name;
    EXPECT_EQ(outcome.calls, row.calls) << row.name;
    EXPECT_EQ(outcome.files, row.files) << row.name;
    EXPECT_LT(outcome.took, 1s) << row.name;
}

TEST(ZipFileShellTest, LetsGoOfEverythingInReverseOrderAndReturnsOnceTheShellIsDone) {
    const std::string copied =
        kFolders + " +item CopyHere +name ParseName -entry -name -item -empty " + kReleased;
    const std::string unlisted = "+name ParseName -name ";
    const Row rows[] = {
        {"copy", {}, false, kNothing, copied, {{"a.txt", "data"}, {"a.txt.zip", kEmptyArchive}}},
        {"copy listed at the third look",
         {.unlistedPolls = 2},
         false,
         kNothing,
         kFolders + " +item CopyHere " + unlisted + unlisted + "+name ParseName -entry -name -item -empty " +
             kReleased,
         {{"a.txt", "data"}, {"a.txt.zip", kEmptyArchive}}},
        {"copy in an apartment open already",
         {.initialize = S_FALSE},
         false,
         kNothing,
         copied.substr(0, copied.size() - std::string(" uninit").size()),
         {{"a.txt", "data"}, {"a.txt.zip", kEmptyArchive}}},
        {"move",
         {.moveHere = takeItem},
         true,
         kNothing,
         kFolders + " +item MoveHere -item -empty " + kReleased,
         {{"a.txt.zip", kEmptyArchive}}},
    };
    for (const Row& row : rows)
        expectPromptly(row);
}

// The shell moves the item, but a folder has taken the archive's name by the time it is to be put in place.
HRESULT takeItemAndBlockArchive(const std::u16string& item) {
    const std::filesystem::path archive = posixOf(item + u".zip");
    std::filesystem::remove(archive);
    std::filesystem::create_directory(archive);
    return takeItem(item);
}

// The shell removes the item and then reports a failure.
HRESULT takeItemAndFail(const std::u16string& item) {
    takeItem(item);
    return E_FAIL;
}

// As above, and a link to nowhere has taken the item's name: the item looks gone but cannot be put back.
HRESULT takeItemAndBlockBoth(const std::u16string& item) {
    const HRESULT hr = takeItemAndBlockArchive(item);
    std::filesystem::create_symlink("nowhere", posixOf(item));
    return hr;
}

TEST(ZipFileShellTest, ReportsEachFailureAtOnceAndLetsGoOfEverything) {
    const std::string noShell = " -parent -archive uninit";
    const Row rows[] = {
        {"apartment of the other model",
         {.initialize = RPC_E_CHANGED_MODE},
         false,
         "Cannot change thread mode after it is set.\r\n",
         "init"},
        {"class unknown",
         {.progId = CO_E_CLASSSTRING},
         false,
         "Invalid pointer",
         "init +archive +parent clsid" + noShell},
        {"creation fails",
         {.create = E_FAIL},
         false,
         "Invalid pointer",
         "init +archive +parent clsid create" + noShell},
        {"not running",
         {.run = E_FAIL},
         false,
         "Invalid pointer",
         "init +archive +parent clsid create run -shell" + noShell},
        {"no IShellDispatch",
         {.query = E_NOINTERFACE},
         true,
         "Invalid pointer",
         "init +archive +parent clsid create run qi -shell" + noShell},
        {"no parent folder",
         {.missingFolders = {"parent"}},
         false,
         "Invalid pointer",
         kShell + " NameSpace:archive NameSpace:parent -archiveFolder -shell" + noShell},
        {"parent folder unreadable",
         {.missingFolders = {"parent"}, .missingFolderAnswer = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
         false,
         "Access is denied.\r\n",
         kShell + " NameSpace:archive NameSpace:parent -archiveFolder -shell" + noShell},
        {"no archive folder",
         {.missingFolders = {"archive"}},
         true,
         "Invalid pointer",
         kFolders + " +item -item -empty -items -parentFolder -shell" + noShell},
        {"no memory for the archive text",
         {.failingAllocation = 1},
         false,
         "Not enough memory resources are available to complete this operation.",
         "init alloc-failed -(null) uninit"},
        {"no memory for the item text",
         {.failingAllocation = 3},
         false,
         "Not enough memory resources are available to complete this operation.",
         kFolders + " alloc-failed -(null) -empty " + kReleased},
        {"copy fails",
         {.copyHere = answer(HRESULT_FROM_WIN32(ERROR_DISK_FULL))},
         false,
         "There is not enough space on the disk.\r\n",
         kFolders + " +item CopyHere -item -empty " + kReleased},
        {"copy answers S_FALSE",
         {.copyHere = answer(S_FALSE)},
         false,
         "Win32 ::FormatMessage failed",
         kFolders + " +item CopyHere -item -empty " + kReleased},
        {"move fails",
         {.moveHere = answer(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED))},
         true,
         "Access is denied.\r\n",
         kFolders + " +item MoveHere -item -empty " + kReleased},
        {"move fails after taking the item",
         {.moveHere = takeItemAndFail},
         true,
         "Unspecified error\r\n",
         kFolders + " +item MoveHere -item -empty " + kReleased},
        {"moved, but the archive cannot be put in place",
         {.moveHere = takeItemAndBlockArchive},
         true,
         "Access is denied.\r\n",
         kFolders + " +item MoveHere -item -empty " + kReleased,
         {{"a.txt", "data"}, {"a.txt.zip", "<folder>"}}},
        {"moved, and neither the archive nor the item can be put in place",
         {.moveHere = takeItemAndBlockBoth},
         true,
         "Access is denied.\r\n",
         kFolders + " +item MoveHere -item -empty " + kReleased,
         {{"a.txt", ""},
          {"a.txt.zip", "<folder>"},
          {"zipfile-*.tmp", kEmptyArchive},
          {"zipfile-*.tmp", "data"}}},
    };
    for (const Row& row : rows)
        expectPromptly(row);
}

// Wherever in the shell's part a failure is found, it names the operation.
TEST(ZipFileShellTest, FailuresNameTheOperation) {
    const ShellScript scripts[] = {
        {.progId = CO_E_CLASSSTRING},
        {.missingFolders = {"parent"}, .missingFolderAnswer = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {.copyHere = answer(E_FAIL)},
    };
    for (const ShellScript& script : scripts)
        EXPECT_EQ(zipWith(script, false).thrownAt, kOperation);
}

TEST(ZipFileShellTest, GivesUpOnAMoveThatLeavesTheItemAfterFiveSeconds) {
    const Outcome outcome = zipWith({}, true);
    EXPECT_EQ(outcome.thrown, "Took too lonng to zip file");
    EXPECT_EQ(outcome.thrownAt, kOperation);
    EXPECT_EQ(outcome.calls, kFolders + " +item MoveHere -item -empty " + kReleased);
    EXPECT_EQ(outcome.files, kUntouched);
    EXPECT_GE(outcome.took, 5100ms);
    EXPECT_LT(outcome.took, 7s);
}

} // namespace
