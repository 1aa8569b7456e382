// End-to-end tests of which file a command-line word names: the one the shell and the kernel mean, or
// none. Real folders, links, a removed working folder and trees deeper than a path may be long.
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

// Every name under `folder` with its content ("/" for a folder, "-> target" for a link).
std::map<std::string, std::string> treeOf(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            tree[name] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            tree[name] = "/";
        else
            tree[name] = readFile(entry.path());
    }
    return tree;
}

// Makes each of `names` under `root`, with the folders on the way: "a/" a folder, "l -> t" a symbolic
// link, any other name a file that holds its own name.
void makeTree(const fs::path& root, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::size_t arrow = name.find(" -> ");
        const fs::path path = root / name.substr(0, arrow);
        fs::create_directories(path.parent_path());
        if (arrow != std::string::npos)
            fs::create_symlink(name.substr(arrow + 4), path);
        else if (name.back() == '/')
            fs::create_directories(path);
        else
            writeFile(path, name);
    }
}

// A relative word in a working folder whose name cannot travel exactly.
void expectRefusal(const RunResult& run) {
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "zipfile: The filename, directory name, or volume label syntax is incorrect.\n");
}

class NamedFile : public testing::Test {
protected:
    fs::path dir() const { return fs::path(m_folder.path()); }

private:
    TempFolder m_folder;
};

// Each row runs in a fresh tree; `item` must be packed into `item`.zip (and removed by a move), and
// nothing else in the tree may change.
TEST_F(NamedFile, PacksTheFileTheKernelMeans) {
    struct Case {
        std::string label;
        std::vector<std::string> tree;
        std::string runIn;
        std::string word;
        std::string item;
    };
    const Case cases[] = {
        {"working folder ending in a space",
         {"photos /a.jpg", "photos/a.jpg"},
         "photos ",
         "a.jpg",
         "photos /a.jpg"},
        {"working folder ending in two spaces", {"p  /a", "p /a", "p/a"}, "p  ", "a", "p  /a"},
        {"working folder ending in a no-break space",
         {"nb\xC2\xA0/a", "nb/a"},
         "nb\xC2\xA0",
         "a",
         "nb\xC2\xA0/a"},
        {"working folder ending in a quote mark", {"it'/a", "it/a"}, "it'", "a", "it'/a"},
        {"working folder of dots only", {".../a", "a"}, "...", "a", ".../a"},
        {"working folder starting with two dots", {"..data/a", "a"}, "..data", "a", "..data/a"},
        {"a folder in the word ending in a space", {"sp /f", "sp/f"}, ".", "sp /f", "sp /f"},
        {"... and without a sibling", {"sp /f"}, ".", "sp /f", "sp /f"},
        {"a folder in the word ending in a quote mark", {"it'/f", "it/f"}, ".", "it'/f", "it'/f"},
        {"a word starting with a folder with a leading space",
         {" lead/f", "lead/f"},
         ".",
         " lead/f",
         " lead/f"},
        {"a word that is a folder named by a space", {" /f", "f"}, ".", " /f", " /f"},
        {"a file name starting with a space inside the word", {"d/ a", "d/a"}, ".", "d/ a", "d/ a"},
        {"'..' over plain folders", {"p/q/", "p/f", "f"}, ".", "p/q/../f", "p/f"},
        {"'..' over a folder ending in a space", {"s /", "f", "s/"}, ".", "s /../f", "f"},
        {"'..' after a link to a sibling folder's file", {"l -> q", "q/", "f"}, ".", "q/../f", "f"},
        {"a tab in the name", {"t\tb"}, ".", "t\tb", "t\tb"},
        {"a control character in the name",
         {"e\x01"
          "c"},
         ".",
         "e\x01"
         "c",
         "e\x01"
         "c"},
        {"an escape in the name",
         {"e\x1B"
          "c"},
         ".",
         "e\x1B"
         "c",
         "e\x1B"
         "c"},
        {"a byte-order mark starting the name",
         {"\xEF\xBB\xBF"
          "a",
          "a"},
         ".",
         "\xEF\xBB\xBF"
         "a",
         "\xEF\xBB\xBF"
         "a"},
        {"an escape in a folder's name", {"d\x1B/f", "d/f"}, ".", "d\x1B/f", "d\x1B/f"},
    };
    for (const bool move : {false, true}) {
        for (const Case& c : cases) {
            const std::string label = c.label + (move ? ", moved" : ", copied");
            const TempFolder scratch;
            const fs::path root(scratch.path());
            makeTree(root, c.tree);
            auto expected = treeOf(root);
            const RunResult run =
                runTool(move ? std::vector<std::string>{c.word, "true"} : std::vector<std::string>{c.word},
                        root / c.runIn);
            EXPECT_EQ(run.status, 0) << label << ": " << run.err;
            EXPECT_EQ(run.err, "") << label;
            const auto entries = readArchive(root / (c.item + ".zip"));
            ASSERT_TRUE(entries.has_value()) << label;
            ASSERT_EQ(entries->size(), 1u) << label;
            EXPECT_EQ(entries->front().name, fs::path(c.item).filename().string()) << label;
            EXPECT_EQ(entries->front().content, c.item) << label;
            expected[c.item + ".zip"] = readFile(root / (c.item + ".zip"));
            if (move)
                expected.erase(c.item);
            EXPECT_EQ(treeOf(root), expected) << label;
        }
    }
}

// A word that would name another file than the one the shell and the kernel mean, or that the tool
// would have to guess at, fails before anything is touched.
TEST_F(NamedFile, RefusesAWordThatWouldNameAnotherFile) {
    makeTree(dir(),
             {"proj/build/", "proj/notes.txt", "notes.txt", "notes.txt.zip", "b -> proj/build", "a.txt",
              "ideo\xE3\x80\x80/f", "ideo/f", "dangling -> gone/x", "own.zip", "own -> own.zip"});
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const Case cases[] = {
        {{"b/../notes.txt", "true"}, "Invalid zip file: b/../notes.txt"},
        {{"b/..\\notes.txt"}, "Invalid zip file: b/..\\notes.txt"},
        {{"nonexist/../notes.txt"}, "Invalid zip file: nonexist/../notes.txt"},
        {{"dangling/../notes.txt"}, "Invalid zip file: dangling/../notes.txt"},
        {{"a.txt/../notes.txt"}, "Invalid zip file: a.txt/../notes.txt"},
        {{"proj//../notes.txt", "true"}, "Invalid zip file: proj//../notes.txt"},
        {{"proj/build\\\\../../notes.txt"}, "Invalid zip file: proj/build\\\\../../notes.txt"},
        {{"proj/build/../../b/../notes.txt"}, "Invalid zip file: proj/build/../../b/../notes.txt"},
        {{(dir() / "b/../notes.txt").string()}, "Invalid zip file: " + (dir() / "b/../notes.txt").string()},
        {{"ideo\xE3\x80\x80/f"}, "Invalid zip file: ideo\xE3\x80\x80/f"},
        {{"a.txt/"}, "Invalid zip file: a.txt/"},
        {{"a.txt\\"}, "Invalid zip file: a.txt\\"},
        {{"a.txt/."}, "Invalid zip file: a.txt/."},
        {{"proj/.."}, "Invalid zip file: proj/.."},
        {{"."}, "Invalid zip file: ."},
        {{"own", "true"}, "Invalid zip file: " + shownPath(dir() / "own.zip")},
        {{"own"}, "Invalid zip file: " + shownPath(dir() / "own.zip")},
        {{"'lead/notes.txt"}, "Invalid zip file: 'lead/notes.txt"},
        {{"notes.txt\xEF\x80\xA0"}, "Invalid zip file: notes.txt\xEF\xBF\xBD"},
        {{"notes\xEF\x80\xAEtxt"}, "Invalid zip file: notes\xEF\xBF\xBDtxt"},
        {{}, "usage: zipfile FILE [true]"},
        {{"notes.txt", "a.txt", "true"}, "usage: zipfile FILE [true]"},
        {{"notes.txt", "true", "true"}, "usage: zipfile FILE [true]"},
    };
    const auto before = treeOf(dir());
    for (const Case& c : cases) {
        const RunResult run = runTool(c.words, dir());
        EXPECT_EQ(run.status, 3) << c.message;
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_EQ(run.err, "zipfile: " + c.message + "\n");
        EXPECT_EQ(treeOf(dir()), before) << c.message;
    }
    // A working folder holding a stand-in itself cannot be told from the folder with the character
    // it stands for: no file in it can be named by a relative word, and none in the other folder is
    // packed instead.
    makeTree(dir(), {"x\xEF\x80\xA0/a", "x /a"});
    expectRefusal(runTool({"a"}, dir() / "x\xEF\x80\xA0"));
    EXPECT_FALSE(fs::exists(dir() / "x /a.zip"));
    // Nor one whose name has no stand-in, next to the folder its name with U+FFFD would name.
    makeTree(dir(), {"q\xE3\x80\x80/a", "q\xEF\xBF\xBD/a"});
    expectRefusal(runTool({"a", "true"}, dir() / "q\xE3\x80\x80"));
    EXPECT_TRUE(fs::exists(dir() / "q\xEF\xBF\xBD/a"));
}

// A "..", and the second word, are read as the user may read them.
TEST_F(NamedFile, AsAnotherUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the tool as another user";
    makeTree(dir(), {"priv/", "open/g", "k"});
    fs::permissions(dir(), fs::perms::all);
    fs::permissions(dir() / "priv", fs::perms::owner_all);
    fs::permissions(dir() / "open", fs::perms::all);
    ASSERT_EQ(::chown((dir() / "open/g").c_str(), 65534, 65534), 0);
    const RunResult run = runTool({"priv/../open/g", "true"}, dir(), {.asNobody = true});
    EXPECT_EQ(run.err, "zipfile: Invalid zip file: priv/../open/g\n");
    EXPECT_TRUE(fs::exists(dir() / "open/g"));
    EXPECT_FALSE(fs::exists(dir() / "open/g.zip"));
    // A byte-order mark before "true" makes another word: the file is copied.
    EXPECT_EQ(runTool({"k", "\xEF\xBB\xBFtrue"}, dir()).status, 0);
    EXPECT_TRUE(fs::exists(dir() / "k"));
    EXPECT_TRUE(fs::exists(dir() / "k.zip"));
}

// An absolute word needs no working folder; a relative one cannot do without it.
TEST_F(NamedFile, AnAbsoluteWordWorksInARemovedWorkingFolder) {
    makeTree(dir(), {"gone/", "a.txt", "b.txt"});
    const fs::path gone = dir() / "gone";
    struct Case {
        std::string word;
        std::string error; // empty: packed
    };
    const Case cases[] = {
        {(dir() / "a.txt").string(), ""},
        {"b.txt", "The system cannot find the file specified."},
        {"../b.txt", "Invalid zip file: ../b.txt"},
    };
    for (const Case& c : cases) {
        const RunResult run = runTool({c.word}, gone, {.removeFolder = true});
        fs::create_directory(gone);
        if (c.error.empty()) {
            EXPECT_EQ(run.status, 0) << c.word << ": " << run.err;
            EXPECT_TRUE(fs::exists(dir() / "a.txt.zip"));
        } else {
            EXPECT_EQ(run.status, 3) << c.word;
            EXPECT_EQ(run.err, "zipfile: " + c.error + "\n");
        }
    }
    EXPECT_FALSE(fs::exists(dir() / "b.txt.zip"));
}

// A folder of its own, reached by descriptor, so that paths longer than the system takes can be made.
class DeepFolder {
public:
    // Nests folders of 200 characters under `base` until the folder's path is `length` bytes long.
    DeepFolder(const fs::path& base, std::size_t length) : m_path(base.string()) {
        m_fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
        while (m_path.size() < length) {
            const std::size_t rest = length - m_path.size();
            const std::string name(rest <= 256 ? rest - 1 : 200, 'd');
            if (::mkdirat(m_fd, name.c_str(), 0755) != 0)
                ADD_FAILURE() << "mkdirat failed";
            const int next = ::openat(m_fd, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(m_fd);
            m_fd = next;
            m_path += "/" + name;
        }
    }
    ~DeepFolder() { ::close(m_fd); }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    const std::string& path() const { return m_path; }

    void put(const std::string& name, const std::string& content) const {
        const int fd = ::openat(m_fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        ::close(fd);
    }

    std::vector<std::string> names() const {
        std::vector<std::string> names;
        DIR* folder = ::fdopendir(::dup(m_fd));
        ::rewinddir(folder);
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(folder);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
    int m_fd = -1;
};

// Paths up to PATH_MAX - 1 bytes and names up to NAME_MAX bytes are packed, the names the run makes
// itself included; a longer one fails with the system's text for a name too long, never as a file that is
// not there, and leaves nothing behind. The run makes FILE.zip, 4 bytes longer than the item's name, and
// its temporary files, "zipfile-<8 random letters>.tmp" beside it: the longest name is FILE.zip, the
// longest path that of the longer of the two.
TEST_F(NamedFile, PathsAtTheSystemsLimit) {
    constexpr std::size_t kLongestPath = PATH_MAX - 1;
    constexpr std::size_t kTemporaryName = 20;
    struct Case {
        std::size_t nameLength; // of the item
        std::size_t pathLength; // of the item; 0: in a fresh folder
        bool packs;
    };
    const Case cases[] = {
        {229, 0, true},
        {230, 0, true},
        {NAME_MAX - 4, 0, true}, // FILE.zip at the limit
        {NAME_MAX - 3, 0, false},
        {5, kLongestPath - kTemporaryName + 5, true}, // the temporary files at the limit
        {5, kLongestPath - kTemporaryName + 6, false},
        {5, kLongestPath - 4, false},
        {200, kLongestPath - 4, true}, // FILE.zip at the limit
        {200, kLongestPath - 3, false},
        {5, kLongestPath, false}, // the item at the limit
        {5, kLongestPath + 1, false},
        {5, 5040, false},
    };
    for (const bool move : {false, true}) {
        for (const Case& c : cases) {
            const std::string label = std::to_string(c.nameLength) + " in " + std::to_string(c.pathLength) +
                                      (move ? " moved" : " copied");
            const std::string name = std::string(c.nameLength - 4, 'b') + ".txt";
            const TempFolder scratch;
            const std::size_t folderLength =
                c.pathLength == 0 ? scratch.path().size() : c.pathLength - name.size() - 1;
            const DeepFolder folder(scratch.path(), folderLength);
            folder.put(name, label);
            if (c.pathLength != 0) {
                ASSERT_EQ(folder.path().size() + 1 + name.size(), c.pathLength) << label;
            }
            // A relative name too (the working folder is then deeper than the limit); the first success
            // ends the row, as the archive is then there.
            for (const std::string& word : {name, folder.path() + "/" + name}) {
                const RunResult run =
                    runTool(move ? std::vector<std::string>{word, "true"} : std::vector<std::string>{word},
                            folder.path());
                const std::vector<std::string> left = folder.names();
                if (c.packs) {
                    EXPECT_EQ(run.status, 0) << label << ": " << run.err;
                    const std::vector<std::string> packed =
                        move ? std::vector<std::string>{name + ".zip"}
                             : std::vector<std::string>{name, name + ".zip"};
                    EXPECT_EQ(left, packed) << label;
                    break;
                }
                EXPECT_EQ(run.status, 3) << label;
                EXPECT_EQ(run.err, "zipfile: The filename or extension is too long.\n") << label;
                EXPECT_EQ(left, std::vector<std::string>{name}) << label;
            }
        }
    }
}

} // namespace
