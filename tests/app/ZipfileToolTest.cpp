// End-to-end tests of the zipfile tool: the built binary on real files in a temporary folder.
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

const std::string kText = "the quick brown fox jumps over the lazy dog\n";
const std::string kPermissionDenied =
    "Permission denied. The permission settings or the attributes of the file do not allow the access, for "
    "example when reading a file that is not open, writing to a read-only file, opening a folder as a file, "
    "running into a locking or sharing violation, or renaming or removing a folder.";

// The archive holds exactly one entry, `name`, with `content`, and every reader accepts it.
void expectArchiveOf(const fs::path& archive, const std::string& name, const std::string& content) {
    const auto entries = readArchive(archive);
    ASSERT_TRUE(entries.has_value()) << archive;
    ASSERT_EQ(entries->size(), 1u) << archive;
    EXPECT_EQ(entries->front().name, name);
    EXPECT_EQ(entries->front().content, content);
    EXPECT_EQ(readersRejecting(archive), std::vector<std::string>{}) << archive;
}

// A failed run: status 3, one line naming the failure on standard error, nothing on standard output.
void expectFailure(const RunResult& run, const std::string& message) {
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zipfile: " + message + "\n");
}

void expectOneLineFailure(const RunResult& run) {
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    ASSERT_GT(run.err.size(), 10u);
    EXPECT_EQ(run.err.rfind("zipfile: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

class ZipfileTool : public testing::Test {
protected:
    fs::path dir() const { return fs::path(m_folder.path()); }
    fs::path put(const std::string& name, const std::string& content = kText) {
        const fs::path path = dir() / fs::u8path(name);
        fs::create_directories(path.parent_path());
        writeFile(path, content);
        return path;
    }
    std::string text(const fs::path& path) const { return readFile(path); }
    // Whether the tool may switch to another user: it runs as root, as CI does.
    static bool canDropPrivileges() { return ::geteuid() == 0; }

private:
    TempFolder m_folder;
};

TEST_F(ZipfileTool, CopiesOrMovesByTheMoveWord) {
    struct Case {
        std::vector<std::string> words;
        bool moves;
    };
    const Case cases[] = {
        {{"a.txt"}, false},        {{"a.txt", "yes"}, false}, {{"a.txt", "false"}, false},
        {{"a.txt", ""}, false},    {{"a.txt", "true"}, true}, {{"a.txt", "TRUE"}, true},
        {{"a.txt", "True"}, true}, {{"a.txt", "truE"}, true}, {{"a.txt", " true"}, false},
    };
    for (const Case& c : cases) {
        const std::string label = c.words.size() > 1 ? "'" + c.words[1] + "'" : "no word";
        fs::remove(dir() / "a.txt.zip");
        put("a.txt");
        const RunResult run = runTool(c.words, dir());
        EXPECT_EQ(run.status, 0) << label << ": " << run.err;
        EXPECT_EQ(run.err, "") << label;
        EXPECT_EQ(run.out, "") << label;
        EXPECT_EQ(fs::exists(dir() / "a.txt"), !c.moves) << label;
        expectArchiveOf(dir() / "a.txt.zip", "a.txt", kText);
        EXPECT_EQ(listFolder(dir()).size(), c.moves ? 1u : 2u) << label;
    }
}

TEST_F(ZipfileTool, ResolvesEveryKindOfPathToTheFileNamed) {
    struct Case {
        std::string runIn; // relative to the test folder
        std::string word;
        std::string item; // the file that must be packed, relative to the test folder
    };
    put("b.txt", "decoy\n");
    put("sub/b.txt", "");
    fs::create_directory_symlink("sub", dir() / "linked");
    const Case cases[] = {
        {".", "sub/b.txt", "sub/b.txt"},    {".", "sub\\b.txt", "sub/b.txt"},
        {"sub", "../x/c.txt", "x/c.txt"},   {"sub", "..\\x\\c.txt", "x/c.txt"},
        {"sub", "./b.txt", "sub/b.txt"},    {"x", (dir() / "sub/b.txt").string(), "sub/b.txt"},
        {".", "linked/b.txt", "sub/b.txt"},
    };
    for (const Case& c : cases) {
        put(c.item, "packed " + c.item + "\n");
        const fs::path archive = dir() / (c.item + ".zip");
        fs::remove(archive);
        const RunResult run = runTool({c.word}, dir() / c.runIn);
        EXPECT_EQ(run.status, 0) << c.word << ": " << run.err;
        expectArchiveOf(archive, fs::path(c.item).filename().string(), "packed " + c.item + "\n");
    }
    EXPECT_EQ(text(dir() / "b.txt"), "decoy\n");
    EXPECT_FALSE(fs::exists(dir() / "b.txt.zip"));
}

// A symbolic link is packed as the file it names, under the link's own name; a move removes the link,
// and the file it named stays where it is.
TEST_F(ZipfileTool, PacksTheFileASymbolicLinkNamesUnderTheLinksName) {
    struct Case {
        std::string target; // what the link holds
        bool move;
    };
    put("target.txt", "named by a link\n");
    put("sub/target.txt", "named by a link\n");
    const Case cases[] = {
        {"target.txt", false},
        {"target.txt", true},
        {(dir() / "sub/target.txt").string(), false},
        {(dir() / "sub/target.txt").string(), true},
    };
    for (const Case& c : cases) {
        const std::string row = c.target + (c.move ? " (move)" : " (copy)");
        fs::remove(dir() / "link.txt.zip");
        fs::create_symlink(c.target, dir() / "link.txt");
        const RunResult run = runTool(c.move ? std::vector<std::string>{"link.txt", "true"}
                                             : std::vector<std::string>{"link.txt"},
                                      dir());
        EXPECT_EQ(run.status, 0) << row << ": " << run.err;
        EXPECT_EQ(run.err, "") << row;
        expectArchiveOf(dir() / "link.txt.zip", "link.txt", "named by a link\n");
        EXPECT_EQ(fs::is_symlink(dir() / "link.txt"), !c.move) << row;
        EXPECT_EQ(text(dir() / "target.txt"), "named by a link\n") << row;
        EXPECT_EQ(text(dir() / "sub/target.txt"), "named by a link\n") << row;
        const std::vector<std::string> expected =
            c.move ? std::vector<std::string>{"link.txt.zip", "sub", "target.txt"}
                   : std::vector<std::string>{"link.txt", "link.txt.zip", "sub", "target.txt"};
        EXPECT_EQ(listFolder(dir()), expected) << row;
        fs::remove(dir() / "link.txt");
    }
}

TEST_F(ZipfileTool, KeepsNamesTimesAndPermissions) {
    const std::string names[] = {"r\xC3\xA9sum\xC3\xA9.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt",
                                 "\xF0\x9F\x98\x80 smile.txt", "with space.txt"};
    for (const std::string& name : names) {
        const fs::path item = put(name);
        fs::permissions(item, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const std::time_t mtime = 1500000000; // an even second: DOS time keeps two-second steps
        fs::last_write_time(
            item, fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(mtime)));
        const RunResult run = runTool({name}, dir());
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        const fs::path archive = dir() / fs::u8path(name + ".zip");
        expectArchiveOf(archive, name, kText);
        const auto entries = readArchive(archive);
        EXPECT_EQ(entries->front().dosTime, mtime) << name;
        EXPECT_EQ(entries->front().unixMode() & 07777, 0640u) << name;

        const fs::path out = dir() / "extracted";
        fs::create_directory(out);
        ASSERT_EQ(std::system(("cd '" + out.string() + "' && unzip -qq '" + archive.string() + "'").c_str()),
                  0);
        const fs::path extracted = out / fs::u8path(name);
        EXPECT_EQ(text(extracted), kText) << name;
        EXPECT_EQ(fs::last_write_time(extracted), fs::last_write_time(item)) << name;
        EXPECT_EQ(fs::status(extracted).permissions(), fs::status(item).permissions()) << name;
        fs::remove_all(out);
    }
}

TEST_F(ZipfileTool, WorksInAFolderWithReservedCharacters) {
    const std::string folderName = "2024:q1 *?\"<>|\\";
    const fs::path folder = dir() / folderName;
    fs::create_directory(folder);
    writeFile(folder / "r.txt", kText);
    const RunResult run = runTool({"r.txt", "true"}, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    expectArchiveOf(folder / "r.txt.zip", "r.txt", kText);
    EXPECT_FALSE(fs::exists(folder / "r.txt"));

    const RunResult missing = runTool({"gone.txt"}, folder);
    expectFailure(missing, "Invalid zip file: " + shownPath(folder / "gone.txt"));

    // A line feed or an escape in a folder's name does not split the failure line or reach the terminal.
    const fs::path controls = dir() / "two\nlines\x1B";
    fs::create_directory(controls);
    expectFailure(runTool({"gone.txt"}, controls),
                  "Invalid zip file: " + shownPath(dir() / "two lines?") + "\\gone.txt");
}

TEST_F(ZipfileTool, ReplacesAnExistingArchiveAndASymlinkInItsPlace) {
    put("a.txt");
    writeFile(dir() / "a.txt.zip", "old archive");
    ASSERT_EQ(runTool({"a.txt"}, dir()).status, 0);
    expectArchiveOf(dir() / "a.txt.zip", "a.txt", kText);

    writeFile(dir() / "target", "link target");
    fs::remove(dir() / "a.txt.zip");
    fs::create_symlink("target", dir() / "a.txt.zip");
    ASSERT_EQ(runTool({"a.txt"}, dir()).status, 0);
    EXPECT_FALSE(fs::is_symlink(dir() / "a.txt.zip"));
    expectArchiveOf(dir() / "a.txt.zip", "a.txt", kText);
    EXPECT_EQ(text(dir() / "target"), "link target");
}

TEST_F(ZipfileTool, PacksEmptyFilesAndFilesBeyondFourGigabytes) {
    put("empty", "");
    ASSERT_EQ(runTool({"empty"}, dir()).status, 0);
    expectArchiveOf(dir() / "empty.zip", "empty", "");

    const fs::path big = dir() / "sparse.bin";
    writeFile(big, "");
    fs::resize_file(big, 5ull << 30);
    const RunResult run = runTool({"sparse.bin", "true"}, dir());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(big));
    const auto entries = readArchive(dir() / "sparse.bin.zip", 0);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().size, 5ull << 30);
    EXPECT_EQ(readersRejecting(dir() / "sparse.bin.zip"), std::vector<std::string>{});
}

// A replaced archive keeps its permissions and group; a new one gets those of any new file. An archive the
// user may not write is not replaced.
TEST_F(ZipfileTool, AReplacedArchiveKeepsItsPermissions) {
    if (!canDropPrivileges())
        GTEST_SKIP() << "needs root to give the archive another group and to run as another user";
    constexpr gid_t kSomeGroup = 4242;
    struct Case {
        const char* label;
        mode_t oldMode; // 0: no archive before the run
        mode_t umask;
        bool asNobody;
        mode_t expectedMode;
    };
    const Case cases[] = {
        {"private", 0600, 022, false, 0600},
        {"shared with a group", 0640, 022, false, 0640},
        {"new, under umask 022", 0, 022, false, 0644},
        {"new, under umask 077", 0, 077, false, 0600},
        {"read-only to its owner", 0444, 022, true, 0444},
    };
    fs::permissions(dir(), fs::perms::all);
    for (const Case& c : cases) {
        fs::remove(dir() / "a.txt.zip");
        put("a.txt");
        if (c.oldMode != 0) {
            writeFile(dir() / "a.txt.zip", "old");
            ASSERT_EQ(::chmod((dir() / "a.txt.zip").c_str(), c.oldMode), 0);
            ASSERT_EQ(::chown((dir() / "a.txt.zip").c_str(), c.asNobody ? 65534 : 0, kSomeGroup), 0);
        }
        const mode_t before = ::umask(c.umask);
        const RunResult run = runTool({"a.txt", "true"}, dir(), {.asNobody = c.asNobody});
        ::umask(before);
        struct stat status {};
        ASSERT_EQ(::stat((dir() / "a.txt.zip").c_str(), &status), 0) << c.label;
        EXPECT_EQ(status.st_mode & 07777, c.expectedMode) << c.label;
        if (c.asNobody) {
            expectFailure(run, "Access is denied.");
            EXPECT_EQ(text(dir() / "a.txt.zip"), "old") << c.label;
            EXPECT_EQ(listFolder(dir()), (std::vector<std::string>{"a.txt", "a.txt.zip"})) << c.label;
            continue;
        }
        EXPECT_EQ(run.status, 0) << c.label << ": " << run.err;
        expectArchiveOf(dir() / "a.txt.zip", "a.txt", kText);
        EXPECT_EQ(status.st_gid, c.oldMode != 0 ? kSomeGroup : ::getegid()) << c.label;
    }
}

// Another user's file cannot get a second name (Debian protects hard links): it is packed as a copy and
// keeps its name until the archive is in place, so a move that cannot end leaves every file as it was.
TEST_F(ZipfileTool, AMoveWithoutASecondNameKeepsTheFileUntilItsArchiveIsInPlace) {
    if (!canDropPrivileges())
        GTEST_SKIP() << "needs root to run the tool as another user";
    if (text("/proc/sys/fs/protected_hardlinks") != "1\n")
        std::cout << "hard links to other users' files are allowed here: the move keeps a second name\n";
    struct Case {
        const char* label;
        fs::perms folder;
        bool oldArchive;     // an archive the user may not write is in the way
        bool writable;       // the user may write the file, so it can get a second name
        std::string failure; // empty: the move succeeds
    };
    const fs::perms shared = fs::perms::all;
    const fs::perms sticky = shared | fs::perms::sticky_bit;
    const Case cases[] = {
        {"a colleague's file in a shared folder", shared, false, false, ""},
        {"a colleague's file in a sticky folder", sticky, false, false, "Access is denied."},
        {"a colleague's writable file in a sticky folder", sticky, false, true, "Access is denied."},
        {"the final rename refused", shared, true, false, "Access is denied."},
    };
    for (const Case& c : cases) {
        const fs::path folder = dir() / "shared";
        fs::remove_all(folder);
        fs::create_directory(folder);
        fs::permissions(dir(), fs::perms::all);
        writeFile(folder / "c.txt", kText);
        if (c.writable)
            fs::permissions(folder / "c.txt", fs::perms::all);
        if (c.oldArchive)
            writeFile(folder / "c.txt.zip", "old");
        fs::permissions(folder, c.folder);
        const RunResult run = runTool({"c.txt", "true"}, folder, {.asNobody = true});
        if (c.failure.empty()) {
            EXPECT_EQ(run.status, 0) << c.label << ": " << run.err;
            expectArchiveOf(folder / "c.txt.zip", "c.txt", kText);
            EXPECT_EQ(listFolder(folder), std::vector<std::string>{"c.txt.zip"}) << c.label;
            continue;
        }
        expectFailure(run, c.failure);
        EXPECT_EQ(text(folder / "c.txt"), kText) << c.label;
        EXPECT_EQ(listFolder(folder), c.oldArchive ? (std::vector<std::string>{"c.txt", "c.txt.zip"})
                                                   : std::vector<std::string>{"c.txt"})
            << c.label;
        if (c.oldArchive) {
            EXPECT_EQ(text(folder / "c.txt.zip"), "old") << c.label;
        }
    }
}

// Beyond the file-size limit a write fails as on a full disk, instead of the limit's signal ending the run
// with its temporary files left behind.
TEST_F(ZipfileTool, AFileSizeLimitFailsCleanly) {
    const std::string content = noise(3 << 20, 5);
    for (const bool move : {false, true}) {
        put("big.bin", content);
        writeFile(dir() / "big.bin.zip", "old");
        struct rlimit before {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
        const struct rlimit limit = {1 << 20, before.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        const RunResult run = runTool(
            move ? std::vector<std::string>{"big.bin", "true"} : std::vector<std::string>{"big.bin"}, dir());
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);
        expectFailure(run, "The file size exceeds the limit allowed and cannot be saved.");
        EXPECT_TRUE(text(dir() / "big.bin") == content) << move;
        EXPECT_EQ(text(dir() / "big.bin.zip"), "old") << move;
        EXPECT_EQ(listFolder(dir()), (std::vector<std::string>{"big.bin", "big.bin.zip"})) << move;
    }
}

// Bad input: one line on standard error, status 3, and every file as it was, with no stray file.
TEST_F(ZipfileTool, BadInputLeavesEveryFileAsItWas) {
    fs::create_directory(dir() / "folder");
    writeFile(dir() / "gone.txt.zip", "archive from an earlier move");
    writeFile(dir() / "a.txt", kText);
    fs::create_directory(dir() / "a.txt.zip");
    ASSERT_EQ(::mkfifo((dir() / "fifo").c_str(), 0644), 0);
    makeSocket(dir() / "socket");
    const std::string d = shownPath(dir());
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const Case cases[] = {
        {{"gone.txt"}, "Invalid zip file: " + d + "\\gone.txt"},
        {{"gone.txt", "true"}, "Invalid zip file: " + d + "\\gone.txt"},
        {{"folder"}, "Invalid zip file: " + d + "\\folder"},
        {{}, "usage: zipfile FILE [true]"},
        {{"a.txt", "true", "x"}, "usage: zipfile FILE [true]"},
        {{""}, "Invalid zip file: " + d},
        {{"a:b.txt"}, "Malformed Volume: in path string \"a:b.txt\""},
        {{" a.txt"}, "Invalid zip file:  a.txt"},
        {{"a.txt "}, "Invalid zip file: a.txt "},
        {{"\"a.txt\""}, "Invalid zip file: \"a.txt\""},
        {{"a\xFF.txt"}, "Invalid zip file: a\xEF\xBF\xBD.txt"},
        {{"a.txt"}, "Access is denied."},
        {{"fifo"}, "The request is not supported."},
        {{"socket"}, "The request is not supported."},
        {{"socket", "true"}, "The request is not supported."},
    };
    const std::vector<std::string> before = listFolder(dir());
    for (const Case& c : cases) {
        const RunResult run = runTool(c.words, dir());
        expectFailure(run, c.message);
        EXPECT_EQ(listFolder(dir()), before) << c.message;
    }
    EXPECT_EQ(text(dir() / "gone.txt.zip"), "archive from an earlier move");
    EXPECT_EQ(text(dir() / "a.txt"), kText);
    EXPECT_TRUE(fs::is_directory(dir() / "a.txt.zip"));
}

TEST_F(ZipfileTool, FailuresOfTheWriteLeaveTheOldArchive) {
    if (!canDropPrivileges())
        GTEST_SKIP() << "needs root to run the tool as another user";
    fs::permissions(dir(), fs::perms::all);
    const fs::path locked = dir() / "locked";
    fs::create_directory(locked);
    writeFile(locked / "a.txt", kText);
    writeFile(locked / "a.txt.zip", "old");
    fs::permissions(locked, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const RunResult unwritable = runTool({"a.txt", "true"}, locked, {.asNobody = true});
    // The archive is named, not the temporary file the user never saw.
    expectFailure(unwritable,
                  "Failed to Open File \"" + shownPath(locked / "a.txt.zip") + "\": " + kPermissionDenied);
    EXPECT_EQ(text(locked / "a.txt"), kText);
    EXPECT_EQ(text(locked / "a.txt.zip"), "old");
    EXPECT_EQ(listFolder(locked), (std::vector<std::string>{"a.txt", "a.txt.zip"}));

    writeFile(dir() / "secret.txt", kText);
    fs::permissions(dir() / "secret.txt", fs::perms::owner_read | fs::perms::owner_write);
    writeFile(dir() / "secret.txt.zip", "old");
    fs::permissions(dir() / "secret.txt.zip", fs::perms::all);
    const RunResult unreadable = runTool({"secret.txt", "true"}, dir(), {.asNobody = true});
    expectOneLineFailure(unreadable);
    EXPECT_LT(unreadable.elapsed.count(), 1000) << "a shell failure is reported at once";
    EXPECT_EQ(text(dir() / "secret.txt"), kText);
    EXPECT_EQ(text(dir() / "secret.txt.zip"), "old");
    EXPECT_EQ(listFolder(dir()), (std::vector<std::string>{"locked", "secret.txt", "secret.txt.zip"}));
}

TEST_F(ZipfileTool, AFullDiskLeavesTheOldArchive) {
    const fs::path small = dir() / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=3m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string content = noise(2 << 20, 7);
    writeFile(small / "a.bin", content);
    writeFile(small / "a.bin.zip", "old");
    const RunResult run = runTool({"a.bin", "true"}, small);
    expectOneLineFailure(run);
    EXPECT_EQ(text(small / "a.bin"), content);
    EXPECT_EQ(text(small / "a.bin.zip"), "old");
    EXPECT_EQ(listFolder(small), (std::vector<std::string>{"a.bin", "a.bin.zip"}));
    ::umount(small.c_str());
}

// A read-only file system is refused as a folder the user may not write, naming the archive.
TEST_F(ZipfileTool, AReadOnlyFileSystemFailsNamingTheArchive) {
    const fs::path mounted = dir() / "mounted";
    fs::create_directory(mounted);
    if (::mount("tmpfs", mounted.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    writeFile(mounted / "a.txt", kText);
    writeFile(mounted / "a.txt.zip", "old");
    ASSERT_EQ(::mount("tmpfs", mounted.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    for (const bool move : {false, true}) {
        const RunResult run = runTool(
            move ? std::vector<std::string>{"a.txt", "true"} : std::vector<std::string>{"a.txt"}, mounted);
        expectFailure(run, "Failed to Open File \"" + shownPath(mounted / "a.txt.zip") +
                               "\": " + kPermissionDenied);
        EXPECT_EQ(text(mounted / "a.txt"), kText) << move;
        EXPECT_EQ(text(mounted / "a.txt.zip"), "old") << move;
        EXPECT_EQ(listFolder(mounted), (std::vector<std::string>{"a.txt", "a.txt.zip"})) << move;
    }
    ::umount(mounted.c_str());
}

// Whether a complete new archive that was not yet renamed into place holds the item.
bool aTemporaryArchiveHolds(const fs::path& folder, const std::string& content) {
    for (const std::string& name : listFolder(folder)) {
        const auto entries = name.ends_with(".tmp") ? readArchive(folder / name) : std::nullopt;
        if (entries && entries->size() == 1 && entries->front().content == content)
            return true;
    }
    return false;
}

// A run killed at any moment leaves the old archive or a complete new one, and the item intact or,
// once moved, in the new archive.
TEST_F(ZipfileTool, AKilledRunNeverLeavesACorruptArchive) {
    const std::string content = noise(48 << 20, 11);
    for (const bool move : {false, true}) {
        for (const int killAfterMs : {50, 300, 900}) {
            writeFile(dir() / "big.bin", content);
            writeFile(dir() / "big.bin.zip", "old");
            runTool(move ? std::vector<std::string>{"big.bin", "true"} : std::vector<std::string>{"big.bin"},
                    dir(), {.killAfterMs = killAfterMs});
            const std::string archive = text(dir() / "big.bin.zip");
            const bool replaced = archive != "old";
            if (replaced)
                expectArchiveOf(dir() / "big.bin.zip", "big.bin", content);
            if (fs::exists(dir() / "big.bin"))
                EXPECT_EQ(text(dir() / "big.bin"), content) << killAfterMs;
            else
                EXPECT_TRUE(move && (replaced || aTemporaryArchiveHolds(dir(), content)))
                    << "the item was lost after " << killAfterMs << " ms";
            for (const std::string& name : listFolder(dir()))
                fs::remove(dir() / name);
        }
    }
}

} // namespace
