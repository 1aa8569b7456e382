// Directory search: FindFirstFileW, FindNextFileW and FindClose.
//
// The last component of the search text may hold the wildcards '*' (any run of units) and '?' (any
// one UTF-16 unit); "*.*" matches every name, as on Windows. A name is matched as its Win32 text,
// exactly: POSIX names are case-sensitive. A folder search delivers "." and ".." first when the
// pattern matches them, then the other entries in the folder's order; a text without wildcards
// finds exactly the entry it names. The matching names are taken when the search starts; an entry
// removed before its turn is passed over, and one whose Win32 name would not fit cFileName
// (MAX_PATH - 1 units) is skipped.
#include "Platform/FileStatus.h"
#include "Platform/HandleTable.h"
#include "Platform/LastError.h"
#include "Platform/PathText.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

struct Entry {
    std::string posixName;
    std::u16string win32Name;
};

// A search in progress: the folder searched (none for a text without wildcards) and the matching
// entries, delivered from `next` on.
struct Search {
    Directory folder;
    std::vector<Entry> entries;
    std::size_t next = 0;
};

Platform::HandleTable<Search>& searches() {
    static Platform::HandleTable<Search> table;
    return table;
}

HANDLE failHandle(DWORD error) {
    Platform::failWith(error);
    return INVALID_HANDLE_VALUE;
}

// Where the last component starts: after the last separator, or after a drive designator ("C:*").
std::size_t lastComponentStart(std::u16string_view text) {
    const auto separator = text.find_last_of(u"\\/");
    if (separator != std::u16string_view::npos) {
        return separator + 1;
    }
    return text.size() >= 2 && text[1] == u':' ? 2 : 0;
}

bool hasWildcard(std::u16string_view name) {
    return name.find_first_of(u"*?") != std::u16string_view::npos;
}

bool matches(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::u16string_view::npos;
    std::size_t starMatchedUpTo = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            starMatchedUpTo = n;
        } else if (starAt != std::u16string_view::npos) {
            // Let the last star take one more unit and try the rest again.
            p = starAt + 1;
            n = ++starMatchedUpTo;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

int deliveryRank(const Entry& entry) {
    if (entry.posixName == ".") {
        return 0;
    }
    return entry.posixName == ".." ? 1 : 2;
}

// The entries of `folder` whose Win32 name matches `pattern`, names them exactly and fits cFileName,
// "." and ".." first; nothing, with errno set, when the folder cannot be read.
std::optional<std::vector<Entry>> matchingEntries(DIR* folder, std::u16string_view pattern) {
    const std::u16string_view effective = pattern == u"*.*" ? u"*" : pattern;
    std::vector<Entry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (entry == nullptr) {
            break;
        }
        // A name that cannot travel exactly would name another file: it is left out, as one too long.
        const auto win32Name = Platform::toExactWin32Text(entry->d_name);
        if (win32Name && win32Name->size() < MAX_PATH && matches(effective, *win32Name)) {
            entries.push_back({entry->d_name, *win32Name});
        }
    }
    if (errno != 0) {
        return std::nullopt;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return deliveryRank(a) < deliveryRank(b); });
    return entries;
}

// The status of a name relative to `folder` (AT_FDCWD: the working directory), following a symbolic
// link; a dangling link reports itself.
bool entryStatus(int folder, const std::string& name, struct stat& status) {
    return ::fstatat(folder, name.c_str(), &status, 0) == 0 ||
           ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

void fillFindData(WIN32_FIND_DATAW& data, const struct stat& status, std::u16string_view name) {
    data = {};
    Platform::fillStatusMembers(data, status);
    std::copy(name.begin(), name.end(), data.cFileName);
}

// Delivers the next entry that still exists into `data`; false at the end of the search.
bool deliverNext(Search& search, WIN32_FIND_DATAW& data) {
    while (search.next < search.entries.size()) {
        const Entry& entry = search.entries[search.next++];
        struct stat status {};
        if (entryStatus(::dirfd(search.folder.get()), entry.posixName, status)) {
            fillFindData(data, status, entry.win32Name);
            return true;
        }
    }
    return false;
}

HANDLE startSearch(std::shared_ptr<Search> search) {
    const HANDLE handle = searches().insert(std::move(search));
    Platform::succeed();
    return handle;
}

HANDLE startExactSearch(LPCWSTR text, std::u16string_view name, WIN32_FIND_DATAW& data) {
    const auto path = Platform::toPosixPath(text);
    if (!path) {
        return INVALID_HANDLE_VALUE;
    }
    if (name.empty()) {
        return failHandle(ERROR_FILE_NOT_FOUND);
    }
    if (name.size() >= MAX_PATH) {
        return failHandle(ERROR_FILENAME_EXCED_RANGE);
    }
    struct stat status {};
    if (!entryStatus(AT_FDCWD, *path, status)) {
        return failHandle(Platform::win32Error(errno, *path));
    }
    fillFindData(data, status, name);
    return startSearch(std::make_shared<Search>());
}

HANDLE startFolderSearch(std::u16string_view text, std::size_t patternStart, WIN32_FIND_DATAW& data) {
    // "dir\." names the folder itself, and a text without folder searches the working directory.
    const std::u16string folderText = std::u16string(text.substr(0, patternStart)) + u".";
    const auto folderPath = Platform::toPosixPath(folderText.c_str());
    if (!folderPath) {
        return INVALID_HANDLE_VALUE;
    }
    const std::u16string_view pattern = text.substr(patternStart);
    if (!Platform::isSearchPattern(pattern)) {
        return failHandle(ERROR_INVALID_NAME);
    }
    auto search = std::make_shared<Search>();
    search->folder.reset(::opendir(folderPath->c_str()));
    if (!search->folder) {
        return failHandle(Platform::win32Error(errno, *folderPath));
    }
    auto entries = matchingEntries(search->folder.get(), pattern);
    if (!entries) {
        return failHandle(Platform::win32Error(errno));
    }
    search->entries = std::move(*entries);
    if (!deliverNext(*search, data)) {
        return failHandle(ERROR_FILE_NOT_FOUND);
    }
    return startSearch(std::move(search));
}

} // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
    return Platform::guarded(INVALID_HANDLE_VALUE, [&] {
        if (fileName == nullptr || findData == nullptr) {
            return failHandle(ERROR_INVALID_PARAMETER);
        }
        const std::u16string_view text(fileName);
        const std::size_t patternStart = lastComponentStart(text);
        if (!hasWildcard(text.substr(patternStart))) {
            return startExactSearch(fileName, text.substr(patternStart), *findData);
        }
        return startFolderSearch(text, patternStart, *findData);
    });
}

BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData) {
    const auto search = searches().find(findFile);
    if (!search) {
        return Platform::failWith(ERROR_INVALID_HANDLE);
    }
    if (findData == nullptr) {
        return Platform::failWith(ERROR_INVALID_PARAMETER);
    }
    return deliverNext(*search, *findData) ? Platform::succeed() : Platform::failWith(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE findFile) {
    return searches().erase(findFile) ? Platform::succeed() : Platform::failWith(ERROR_INVALID_HANDLE);
}
