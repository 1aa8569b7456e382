// Tests of the archive file source: what a commit writes, what it keeps, and what is left otherwise.
#include "Platform/Com/ArchiveFileSource.h"

#include "tests/Platform/Com/ShellSession.h"
#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <new>
#include <optional>
#include <stdexcept>

namespace {

// Opens `path` through the source with libzip's open flags; null with the libzip error code in `code`.
zip_t* openThroughSource(const std::string& path, int flags, int& code,
                         Platform::Com::ReplacementCheck check = {}) {
    zip_error_t error;
    zip_error_init(&error);
    zip_t* archive = nullptr;
    if (zip_source_t* source = Platform::Com::makeArchiveFileSource(path, &error, std::move(check))) {
        archive = zip_open_from_source(source, flags, &error);
        if (archive == nullptr)
            zip_source_free(source);
    }
    code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    return archive;
}

// Adds an entry `name` holding `content`; the archive keeps the buffer until it is closed.
void addEntry(zip_t* archive, const char* name, const std::string& content) {
    zip_source_t* data = zip_source_buffer(archive, content.data(), content.size(), 0);
    ASSERT_NE(data, nullptr);
    ASSERT_GE(zip_file_add(archive, name, data, ZIP_FL_ENC_UTF_8), 0);
}

mode_t permissionsOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_previous); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_previous;
};

TEST(PlatformComArchiveFileSourceTest, CommitReplacesTheFileWithTheNewArchiveAndLeavesNothingElse) {
    const std::string content = "the entry's content\n";
    const struct {
        const char* name;
        bool existing;
        mode_t before; // the old archive's permissions, or the umask for a new one
        mode_t after;
    } cases[] = {
        {"new archive, umask 022", false, 022, 0644},
        {"new archive, umask 077", false, 077, 0600},
        {"old archive 0640", true, 0640, 0640},
        {"old archive 0604", true, 0604, 0604},
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::string path = temp.posix("a.zip");
        ScopedUmask umask(c.existing ? 022 : c.before);
        if (c.existing) {
            writeFile(path, kEmptyArchive);
            ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
        }
        int code = 0;
        zip_t* archive = openThroughSource(path, ZIP_CREATE, code);
        ASSERT_NE(archive, nullptr) << c.name << ": " << code;
        addEntry(archive, "entry.txt", content);
        ASSERT_EQ(zip_close(archive), 0) << c.name;
        EXPECT_EQ(onlyEntry(path).content, content) << c.name;
        EXPECT_EQ(permissionsOf(path), c.after) << c.name;
        EXPECT_EQ(filesIn(temp.path()), (std::vector<std::string>{"a.zip"})) << c.name;
    }
}

TEST(PlatformComArchiveFileSourceTest, NothingIsWrittenUntilTheCommit) {
    TempFolder temp;
    const std::string path = temp.posix("a.zip");
    writeFile(path, kEmptyArchive);
    int code = 0;
    zip_t* archive = openThroughSource(path, 0, code);
    ASSERT_NE(archive, nullptr) << code;
    addEntry(archive, "entry.txt", "not kept");
    zip_discard(archive);
    EXPECT_EQ(readFile(path), kEmptyArchive);
    EXPECT_EQ(filesIn(temp.path()), (std::vector<std::string>{"a.zip"}));
}

// An exception from the code libzip calls back never crosses libzip: the commit fails with the error it
// stands for, and the old archive stays as it was.
TEST(PlatformComArchiveFileSourceTest, AnExceptionInACallbackFailsTheCommit) {
    const struct {
        const char* name;
        void (*raise)();
        int code;
    } cases[] = {
        {"out of memory", [] { throw std::bad_alloc(); }, ZIP_ER_MEMORY},
        {"any other", [] { throw std::runtime_error("unexpected"); }, ZIP_ER_INTERNAL},
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::string path = temp.posix("a.zip");
        writeFile(path, kEmptyArchive);
        int code = 0;
        zip_t* archive = openThroughSource(path, 0, code, [&c](const std::string&) -> int {
            c.raise();
            return 0;
        });
        ASSERT_NE(archive, nullptr) << c.name << ": " << code;
        const std::string content = "not kept"; // read by the commit
        addEntry(archive, "entry.txt", content);
        EXPECT_NE(zip_close(archive), 0) << c.name;
        EXPECT_EQ(zip_error_code_zip(zip_get_error(archive)), c.code) << c.name;
        zip_discard(archive);
        EXPECT_EQ(readFile(path), kEmptyArchive) << c.name;
        EXPECT_EQ(filesIn(temp.path()), (std::vector<std::string>{"a.zip"})) << c.name;
    }
}

TEST(PlatformComArchiveFileSourceTest, OpeningTellsMissingEmptyAndDamagedFilesApart) {
    const struct {
        const char* name;
        std::optional<std::string> content; // nothing: no file
        int flags;
        int expected;
    } cases[] = {
        {"missing file", std::nullopt, 0, ZIP_ER_NOENT},
        {"missing file, read only", std::nullopt, ZIP_RDONLY, ZIP_ER_NOENT},
        {"empty file", "", 0, ZIP_ER_NOZIP},
        {"not an archive", "plain text, long enough to be read as a whole", 0, ZIP_ER_NOZIP},
        {"empty record", kEmptyArchive, 0, ZIP_ER_OK},
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::string path = temp.posix("a.zip");
        if (c.content)
            writeFile(path, *c.content);
        int code = 0;
        zip_t* archive = openThroughSource(path, c.flags, code);
        EXPECT_EQ(code, c.expected) << c.name;
        EXPECT_EQ(archive != nullptr, c.expected == ZIP_ER_OK) << c.name;
        if (archive != nullptr)
            zip_discard(archive);
    }
}

} // namespace
