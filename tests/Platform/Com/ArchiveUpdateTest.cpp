// Tests of copying and moving files into a compressed folder: entries, metadata, failures.
#include "tests/Platform/AsNobody.h"
#include "tests/Platform/Com/ShellSession.h"
#include "tests/Platform/TempFolder.h"
#include "tests/ZipHeaders.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <future>
#include <optional>
#include <thread>

namespace {

constexpr std::uint16_t kDeflate = 8;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;

// Text that compresses, some thousand lines of it.
std::string sampleText(std::size_t lines) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
    return text;
}

void setModificationTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// The general-purpose flags of the first entry's local header (the archive holds one entry).
std::uint16_t firstEntryFlags(const std::string& archive) {
    const std::string bytes = readFile(archive);
    if (bytes.size() < 8 || bytes.compare(0, 4, "PK\x03\x04") != 0)
        return 0xFFFF;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[6]) |
                                      static_cast<unsigned char>(bytes[7]) << 8);
}

struct Sandbox {
    TempFolder temp;
    std::string archive = temp.posix("out.zip");
    std::string item = temp.posix("item.txt");
    Sandbox() {
        writeFile(archive, kEmptyArchive);
        writeFile(item, sampleText(2000));
    }
};

TEST(PlatformComArchiveUpdateTest, CopyAddsOneDeflatedEntryAndKeepsTheItem) {
    Sandbox box;
    ShellSession shell;
    ASSERT_EQ(shell.copy(box.archive, box.item), S_OK);
    const EntryRecord entry = onlyEntry(box.archive);
    EXPECT_EQ(entry.name, "item.txt");
    EXPECT_EQ(entry.method, kDeflate);
    EXPECT_EQ(entry.content, sampleText(2000));
    EXPECT_LT(readFile(box.archive).size(), sampleText(2000).size() / 4);
    EXPECT_EQ(readFile(box.item), sampleText(2000));
    EXPECT_EQ(filesIn(box.temp.path()), (std::vector<std::string>{"item.txt", "out.zip"}));
}

TEST(PlatformComArchiveUpdateTest, MoveAddsTheEntryAndRemovesTheItem) {
    Sandbox box;
    ShellSession shell;
    ASSERT_EQ(shell.move(box.archive, box.item), S_OK);
    EXPECT_EQ(onlyEntry(box.archive).content, sampleText(2000));
    EXPECT_FALSE(exists(box.item));
    EXPECT_EQ(filesIn(box.temp.path()), (std::vector<std::string>{"out.zip"}));
}

TEST(PlatformComArchiveUpdateTest, EntryOfTheSameNameIsReplaced) {
    Sandbox box;
    writeFile(box.temp.posix("other.txt"), "other");
    ShellSession shell;
    ASSERT_EQ(shell.copy(box.archive, box.item), S_OK);
    ASSERT_EQ(shell.copy(box.archive, box.temp.posix("other.txt")), S_OK);
    writeFile(box.item, "second version");
    ASSERT_EQ(shell.copy(box.archive, box.item), S_OK);
    const auto entries = readArchive(box.archive);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, "other.txt");
    EXPECT_EQ((*entries)[1].name, "item.txt");
    EXPECT_EQ((*entries)[1].content, "second version");
}

// The one entry's local and central headers, which must agree.
HeaderFields onlyHeaders(const std::string& archive) {
    const auto headers = readHeaders(archive);
    if (!headers || headers->central.size() != 1) {
        ADD_FAILURE() << archive << ": no single entry";
        return {};
    }
    EXPECT_TRUE(headers->central[0].agreesWith(headers->local[0]))
        << archive << ": local and central headers";
    EXPECT_FALSE(headers->zip64EndRecords) << archive;
    return headers->central[0];
}

// Stored when empty, as zip stores an empty file, else deflated; no ZIP64 field below 4 GiB.
TEST(PlatformComArchiveUpdateTest, EntriesAreStoredOrDeflatedAsZipDoes) {
    constexpr std::uint16_t kStored = 0;
    const struct {
        const char* label;
        std::string content;
        std::uint16_t method;
        std::uint16_t versionNeeded;
    } cases[] = {
        {"empty", "", kStored, 10},
        {"one byte", "x", kDeflate, 20},
        {"text", sampleText(100), kDeflate, 20},
        // A file that reports no size but holds data, as those of /proc do.
        {"/proc/version", readFile("/proc/version"), kDeflate, 20},
    };
    ShellSession shell;
    for (const auto& c : cases) {
        Sandbox box;
        writeFile(box.item, c.content);
        if (c.label[0] == '/') { // the item links to that file
            ASSERT_EQ(::unlink(box.item.c_str()), 0);
            ASSERT_EQ(::symlink(c.label, box.item.c_str()), 0) << c.label;
        }
        ASSERT_EQ(shell.copy(box.archive, box.item), S_OK) << c.label;
        EXPECT_EQ(onlyEntry(box.archive).content, c.content) << c.label;
        const HeaderFields fields = onlyHeaders(box.archive);
        EXPECT_EQ(fields.method, c.method) << c.label;
        EXPECT_EQ(fields.versionNeeded, c.versionNeeded) << c.label;
        EXPECT_EQ(fields.size, c.content.size()) << c.label;
        EXPECT_EQ(fields.compressedSize == 0, c.content.empty()) << c.label;
        EXPECT_EQ(fields.flags & ~kUtf8NameFlag, 0) << c.label << ": no data descriptor";
        EXPECT_EQ(fields.zip64Length, std::nullopt) << c.label;
    }
}

TEST(PlatformComArchiveUpdateTest, EntryNamesAreThePosixNamesInUtf8) {
    const struct {
        const char* name;
        bool flagged;
    } cases[] = {
        {"plain.txt", false},
        {"r\u00E9sum\u00E9.txt", true},
        {"\u65E5\u672C.txt", true},
        {"\U0001D11E clef \U0001F600.txt", true},
        {"2024:q1 <a|b> \"c\" d?*.txt", false},
        {"back\\slash.txt", false},
    };
    ShellSession shell;
    for (const auto& c : cases) {
        Sandbox box;
        const std::string item = box.temp.posix(c.name);
        writeFile(item, c.name);
        ASSERT_EQ(shell.copy(box.archive, item), S_OK) << c.name;
        const EntryRecord entry = onlyEntry(box.archive);
        EXPECT_EQ(entry.name, c.name);
        EXPECT_EQ(entry.content, c.name);
        EXPECT_EQ((firstEntryFlags(box.archive) & kUtf8NameFlag) != 0, c.flagged) << c.name;
    }
}

TEST(PlatformComArchiveUpdateTest, ModificationTimeAndPermissionsAreKept) {
    // Even seconds: the DOS time of an entry has two-second steps.
    const struct {
        const char* name;
        mode_t mode;
        std::time_t modified;
    } cases[] = {
        {"ordinary", 0644, 1614834368},      {"private", 0600, 946684800},
        {"read-only", 0444, 1700000000},     {"executable", 0755, 1234567890},
        {"set-group-id", 02750, 1500000000},
    };
    ShellSession shell;
    for (const auto& c : cases) {
        Sandbox box;
        ASSERT_EQ(::chmod(box.item.c_str(), c.mode), 0);
        setModificationTime(box.item, c.modified);
        ASSERT_EQ(shell.copy(box.archive, box.item), S_OK) << c.name;
        const EntryRecord entry = onlyEntry(box.archive, false);
        EXPECT_EQ(entry.system, ZIP_OPSYS_UNIX) << c.name;
        EXPECT_EQ(entry.attributes >> 16, S_IFREG | c.mode) << c.name;
        EXPECT_EQ(entry.attributes & 1, (c.mode & S_IWUSR) == 0 ? 1u : 0u)
            << c.name << ": read-only attribute";
        EXPECT_EQ(entry.dosTime, c.modified) << c.name;
        EXPECT_EQ(entry.extendedTime, c.modified) << c.name;
    }
}

// A time zone for the rest of the test, and the zone before it afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* before = std::getenv("TZ"))
            m_before = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_before)
            ::setenv("TZ", m_before->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> m_before;
};

struct Moment {
    int year, month, day, hour, minute, second;
};

std::time_t utcTime(const Moment& moment) {
    std::tm fields{};
    fields.tm_year = moment.year - 1900;
    fields.tm_mon = moment.month - 1;
    fields.tm_mday = moment.day;
    fields.tm_hour = moment.hour;
    fields.tm_min = moment.minute;
    fields.tm_sec = moment.second;
    return ::timegm(&fields);
}

// The MS-DOS date and time of a local time: clamped to 1980..2107, odd seconds rounded up; the exact
// time in the extended timestamp where it fits 32 bits.
TEST(PlatformComArchiveUpdateTest, DosTimeIsClampedAndRoundedUp) {
    const struct {
        const char* zone;
        Moment modified; // in UTC
        Moment dos;      // local time
    } cases[] = {
        {"UTC", {1960, 5, 5, 12, 0, 0}, {1980, 1, 1, 0, 0, 0}},
        {"UTC", {1975, 6, 15, 0, 0, 0}, {1980, 1, 1, 0, 0, 0}},
        {"UTC", {1979, 12, 31, 23, 59, 59}, {1980, 1, 1, 0, 0, 0}},
        {"UTC", {1980, 1, 1, 0, 0, 0}, {1980, 1, 1, 0, 0, 0}},
        {"UTC", {1980, 1, 1, 0, 0, 1}, {1980, 1, 1, 0, 0, 2}},
        {"UTC", {2020, 5, 5, 10, 10, 11}, {2020, 5, 5, 10, 10, 12}},
        {"UTC", {2020, 12, 31, 23, 59, 59}, {2021, 1, 1, 0, 0, 0}},
        {"UTC", {2107, 12, 31, 23, 59, 58}, {2107, 12, 31, 23, 59, 58}},
        {"UTC", {2107, 12, 31, 23, 59, 59}, {2107, 12, 31, 23, 59, 58}},
        {"UTC", {2108, 1, 2, 3, 4, 5}, {2107, 12, 31, 23, 59, 58}},
        {"UTC", {9999, 1, 1, 0, 0, 0}, {2107, 12, 31, 23, 59, 58}},
        {"CET-1", {1979, 12, 31, 23, 0, 0}, {1980, 1, 1, 0, 0, 0}},
        {"CET-1", {1979, 12, 31, 22, 59, 59}, {1980, 1, 1, 0, 0, 0}},
        {"CET-1", {2020, 6, 30, 22, 30, 1}, {2020, 6, 30, 23, 30, 2}},
    };
    ShellSession shell;
    for (const auto& c : cases) {
        const TimeZone zone(c.zone);
        Sandbox box;
        const std::time_t modified = utcTime(c.modified);
        setModificationTime(box.item, modified);
        const std::string label = std::string(c.zone) + " " + std::to_string(c.modified.year) + "-" +
                                  std::to_string(c.modified.month) + "-" + std::to_string(c.modified.day);
        ASSERT_EQ(shell.copy(box.archive, box.item), S_OK) << label;
        const HeaderFields fields = onlyHeaders(box.archive);
        EXPECT_EQ(fields.dosDate, (c.dos.year - 1980) << 9 | c.dos.month << 5 | c.dos.day) << label;
        EXPECT_EQ(fields.dosTime, c.dos.hour << 11 | c.dos.minute << 5 | c.dos.second / 2) << label;
        const bool fits = modified >= INT32_MIN && modified <= INT32_MAX;
        EXPECT_EQ(onlyEntry(box.archive, false).extendedTime,
                  fits ? std::optional<std::int32_t>(static_cast<std::int32_t>(modified)) : std::nullopt)
            << label;
    }
}

TEST(PlatformComArchiveUpdateTest, ArchiveKeepsItsPermissions) {
    Sandbox box;
    ASSERT_EQ(::chmod(box.archive.c_str(), 0640), 0);
    ShellSession shell;
    ASSERT_EQ(shell.copy(box.archive, box.item), S_OK);
    struct stat info {};
    ASSERT_EQ(::stat(box.archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Each failure leaves the archive byte for byte, the item where it was, and no other file.
TEST(PlatformComArchiveUpdateTest, FailuresLeaveEverythingAsItWas) {
    enum Transfer { Copy, Move };
    const struct {
        const char* name;
        std::function<std::string(Sandbox&)> prepare; // returns the item's path
        HRESULT expected;
    } cases[] = {
        {"missing item", [](Sandbox& box) { return box.temp.posix("missing.txt"); },
         HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"missing folder", [](Sandbox& box) { return box.temp.posix("missing/a.txt"); },
         HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"folder as item",
         [](Sandbox& box) {
             ::mkdir(box.temp.posix("folder").c_str(), 0755);
             return box.temp.posix("folder");
         },
         HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"FIFO as item",
         [](Sandbox& box) {
             ::mkfifo(box.temp.posix("fifo").c_str(), 0644);
             return box.temp.posix("fifo");
         },
         HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)},
        {"socket as item",
         [](Sandbox& box) {
             makeSocket(box.temp.posix("socket"));
             return box.temp.posix("socket");
         },
         HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)},
        {"archive into itself", [](Sandbox& box) { return box.archive; },
         HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER)},
        {"damaged archive",
         [](Sandbox& box) {
             writeFile(box.archive, "PK\x03\x04 this is no longer an archive");
             return box.item;
         },
         HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
        {"archive gone",
         [](Sandbox& box) {
             ::unlink(box.archive.c_str());
             return box.item;
         },
         HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
    };
    ShellSession shell;
    for (const auto& c : cases) {
        for (const Transfer transfer : {Copy, Move}) {
            Sandbox box;
            ComPtr<Folder> folder;
            shell.nameSpace(box.archive, folder);
            ASSERT_TRUE(folder);
            const std::string item = c.prepare(box);
            const std::string archiveBefore = exists(box.archive) ? readFile(box.archive) : "<none>";
            const std::vector<std::string> filesBefore = filesIn(box.temp.path());
            const Variant itemText(Platform::toWin32Text(item));
            const auto call = transfer == Copy ? &Folder::CopyHere : &Folder::MoveHere;
            const std::string row = std::string(c.name) + (transfer == Copy ? " (copy)" : " (move)");
            EXPECT_EQ((folder.get()->*call)(itemText.get(), ShellSession::silent().get()), c.expected) << row;
            EXPECT_EQ(exists(box.archive) ? readFile(box.archive) : "<none>", archiveBefore) << row;
            EXPECT_EQ(filesIn(box.temp.path()), filesBefore) << row;
        }
    }
}

TEST(PlatformComArchiveUpdateTest, UnreadableItemFailsWithAccessDenied) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    Sandbox box;
    ASSERT_EQ(::chmod(box.temp.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(box.archive.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(box.item.c_str(), 0600), 0);
    const std::string archiveBefore = readFile(box.archive);
    const int result = runAsNobody([&box] {
        ShellSession shell;
        const bool copyDenied = shell.copy(box.archive, box.item) == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        const bool moveDenied = shell.move(box.archive, box.item) == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        return copyDenied && moveDenied ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(box.archive), archiveBefore);
    EXPECT_TRUE(exists(box.item));
    EXPECT_EQ(filesIn(box.temp.path()), (std::vector<std::string>{"item.txt", "out.zip"}));
}

TEST(PlatformComArchiveUpdateTest, ArchiveInAReadOnlyFolderFailsAndMoveKeepsTheItem) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    Sandbox box;
    ASSERT_EQ(::chmod(box.temp.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(box.archive.c_str(), 0666), 0);
    TempFolder itemFolder;
    ASSERT_EQ(::chmod(itemFolder.path().c_str(), 0777), 0);
    const std::string item = itemFolder.posix("item.txt");
    writeFile(item, "moved only when committed");
    ASSERT_EQ(::chmod(item.c_str(), 0666), 0);
    const std::string archiveBefore = readFile(box.archive);
    const int result = runAsNobody([&] {
        ShellSession shell;
        return shell.move(box.archive, item) == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(box.archive), archiveBefore);
    EXPECT_EQ(readFile(item), "moved only when committed");
    EXPECT_EQ(filesIn(box.temp.path()), (std::vector<std::string>{"item.txt", "out.zip"}));
}

// A small file system mounted for the test, unmounted at its end.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& where) : m_where(where) {
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=256k") == 0;
        m_reason = m_mounted ? "" : std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(m_where.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& reason() const { return m_reason; }

private:
    std::string m_where;
    bool m_mounted = false;
    std::string m_reason;
};

// Bytes that do not compress, from a fixed linear congruential sequence.
std::string noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST(PlatformComArchiveUpdateTest, FullDiskFailsAndLeavesTheArchive) {
    TempFolder temp;
    const std::string small = temp.posix("small");
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);
    SmallFileSystem fileSystem(small);
    if (!fileSystem.mounted())
        GTEST_SKIP() << fileSystem.reason();
    const std::string archive = small + "/out.zip";
    writeFile(archive, kEmptyArchive);
    const std::string item = temp.posix("noise.bin");
    writeFile(item, noise(1024 * 1024));
    ShellSession shell;
    EXPECT_EQ(shell.move(archive, item), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(readFile(archive), kEmptyArchive);
    EXPECT_EQ(filesIn(small), (std::vector<std::string>{"out.zip"}));
    EXPECT_TRUE(exists(item));
}

// A write lease on a file: whoever opens it waits until the lease is given up, which lets a test act in
// between, after the opener found the file by its name but before it holds it open.
class WriteLease {
public:
    explicit WriteLease(const std::string& path) : m_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        // The lease holder is told of an opener by SIGIO, which would end the test; polling says it too.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGIO, &ignore, &m_previous);
        m_held = m_descriptor >= 0 && ::fcntl(m_descriptor, F_SETLEASE, F_WRLCK) == 0;
        m_reason = m_held ? "" : std::string("cannot take a write lease: ") + std::strerror(errno);
    }
    ~WriteLease() {
        release();
        ::sigaction(SIGIO, &m_previous, nullptr);
    }
    WriteLease(const WriteLease&) = delete;
    WriteLease& operator=(const WriteLease&) = delete;

    bool held() const { return m_held; }
    const std::string& reason() const { return m_reason; }

    // Whether someone opened the file within `limit`: the lease is then being broken.
    bool waitForOpener(std::chrono::seconds limit) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (::fcntl(m_descriptor, F_GETLEASE) == F_WRLCK) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void release() {
        if (m_descriptor < 0)
            return;
        ::fcntl(m_descriptor, F_SETLEASE, F_UNLCK);
        ::close(m_descriptor);
        m_descriptor = -1;
    }

private:
    int m_descriptor;
    bool m_held = false;
    std::string m_reason;
    struct sigaction m_previous {};
};

// A moved file that changes, or whose name comes to stand for another file, after it was opened and
// before it is removed stays: the update reports a sharing violation, and no data is lost. A lease on
// the archive holds the update after the item is open, until the change is made.
TEST(PlatformComArchiveUpdateTest, MovedFileChangedOrReplacedMeanwhileIsKept) {
    const std::string read = sampleText(2000);
    const struct {
        const char* name;
        std::function<void(const TempFolder&)> change;
        std::string nameHolds;    // what folder/item.txt holds at the end
        bool archiveHoldsTheRead; // else the archive is as it was
    } cases[] = {
        {"its folder replaced",
         [](const TempFolder& temp) {
             ASSERT_EQ(::rename(temp.posix("folder").c_str(), temp.posix("folder.old").c_str()), 0);
             ASSERT_EQ(::mkdir(temp.posix("folder").c_str(), 0755), 0);
             writeFile(temp.posix("folder/item.txt"), "another file");
         },
         "another file", true},
        {"another file renamed over it",
         [](const TempFolder& temp) {
             writeFile(temp.posix("other.txt"), "another file");
             ASSERT_EQ(::rename(temp.posix("other.txt").c_str(), temp.posix("folder/item.txt").c_str()), 0);
         },
         "another file", false},
        {"appended to",
         [](const TempFolder& temp) {
             const int file = ::open(temp.posix("folder/item.txt").c_str(), O_WRONLY | O_APPEND);
             ASSERT_GE(file, 0);
             EXPECT_EQ(::write(file, "more", 4), 4);
             ::close(file);
         },
         read + "more", false},
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::string archive = temp.posix("out.zip");
        const std::string item = temp.posix("folder/item.txt");
        writeFile(archive, kEmptyArchive);
        ASSERT_EQ(::mkdir(temp.posix("folder").c_str(), 0755), 0);
        writeFile(item, read);
        std::promise<void> folderOpened;
        std::promise<void> leaseTaken;
        auto moved = std::async(std::launch::async, [&] {
            ShellSession shell;
            ComPtr<Folder> folder;
            shell.nameSpace(archive, folder);
            folderOpened.set_value();
            leaseTaken.get_future().wait();
            const Variant itemText(Platform::toWin32Text(item));
            return folder ? folder->MoveHere(itemText.get(), ShellSession::silent().get()) : E_POINTER;
        });
        folderOpened.get_future().wait();
        WriteLease lease(archive);
        leaseTaken.set_value();
        const bool opened = lease.held() && lease.waitForOpener(std::chrono::seconds(30));
        if (opened)
            c.change(temp);
        lease.release();
        const HRESULT result = moved.get();
        if (!lease.held())
            GTEST_SKIP() << lease.reason();
        ASSERT_TRUE(opened) << c.name;
        EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) << c.name;
        EXPECT_TRUE(readFile(item) == c.nameHolds) << c.name;
        if (c.archiveHoldsTheRead)
            EXPECT_TRUE(onlyEntry(archive).content == read) << c.name;
        else
            EXPECT_EQ(readFile(archive), kEmptyArchive) << c.name;
    }
}

} // namespace
