// The directory search behind DirectoryIterator, over FindFirstFileW and FindNextFileW.
#include "System/DirectoryIteratorImpl.h"

#include "Lang/Throw.h"
#include "Mem/RefCount.h"
#include "System/FileSystem.h"
#include "Win32/Exception.h"
#include "Win32/IoHandle.h"

#include <algorithm>
#include <iterator>

namespace System {

namespace {

constexpr char16_t kBackslash = u'\\';

// A path with exactly `text`: parsed, but not trimmed or unquoted as construction from text is.
Path exactPath(const Lang::String& text) {
    Path path;
    path.append(text);
    return path;
}

// Where the last component of `path` starts: after the last backslash, and never inside the root.
std::size_t lastComponentStart(const Path& path) {
    const std::size_t separator = path.str().rfind(kBackslash);
    if (separator == Lang::String::npos || separator < path.getRootLength())
        return path.getRootLength();
    return separator + 1;
}

// The folder part of `path`: the text before its last backslash, or its root.
Path exactParent(const Path& path) {
    const std::size_t start = lastComponentStart(path);
    const std::size_t end = start > path.getRootLength() ? start - 1 : start;
    return exactPath(path.str().substr(0, end));
}

// The text FindFirstFileW searches: the folder, one backslash and the pattern; without a pattern, the
// folder itself without a closing backslash.
Lang::String searchText(const Lang::String& folder, const Lang::String& pattern) {
    Lang::String text = folder;
    const bool endsWithBackslash = !text.empty() && text.back() == kBackslash;
    if (pattern.empty()) {
        if (endsWithBackslash)
            text.pop_back();
        return text;
    }
    if (!text.empty() && !endsWithBackslash)
        text += kBackslash;
    return text + pattern;
}

} // namespace

DirectoryIteratorImpl::DirectoryIteratorImpl(const Path& directory, const Lang::String& pattern)
    : m_path(directory), m_pattern(pattern) {
    if (m_path.str().empty() && m_pattern.empty())
        return;
    const FileSystem& fileSystem = FileSystem::instance();
    if (fileSystem.isFile(m_path)) {
        // Names are taken exactly: a name with white space or quotes at its ends is still that name.
        m_pattern = m_path.str().substr(lastComponentStart(m_path)) + m_pattern;
        m_path = exactParent(m_path);
    }
    if (!fileSystem.isDirectory(m_path))
        LANG_THROW(Lang::Exception(m_path.toString() + u" is not a directory!", Lang::unknownLocation()));
    m_pattern = searchText(m_path.str(), m_pattern);
    m_findHandle = ::FindFirstFileW(m_pattern.c_str(), &m_findData);
    if (m_findHandle == INVALID_HANDLE_VALUE)
        m_findData = WIN32_FIND_DATAW{};
    if (atDotEntry())
        next();
}

DirectoryIteratorImpl::~DirectoryIteratorImpl() {
    if (!atEnd())
        ::FindClose(m_findHandle);
}

bool DirectoryIteratorImpl::atEnd() const {
    return m_findHandle == INVALID_HANDLE_VALUE;
}

void DirectoryIteratorImpl::next() {
    if (atEnd())
        return;
    do
        moveToNext();
    while (atDotEntry());
}

Lang::String DirectoryIteratorImpl::getName() const {
    const auto* name = std::begin(m_findData.cFileName);
    return Lang::String(name, std::find(name, std::end(m_findData.cFileName), u'\0'));
}

Path DirectoryIteratorImpl::getEntryPath() const {
    Path entry = m_path;
    entry.append(getName());
    return entry;
}

const BY_HANDLE_FILE_INFORMATION& DirectoryIteratorImpl::getFileInfo() {
    if (!m_fileInfoStale)
        return m_fileInfo;
    // Neither read nor write access: the handle serves attribute queries only.
    Rc::Local<::Win32::IoHandle> entry;
    entry.open(getEntryPath(), Io::OpenDisposition::OpenExisting, Io::AccessMode{}, Io::ShareMode::None, 0,
               nullptr, nullptr);
    if (!::GetFileInformationByHandle(entry.getHandle(), &m_fileInfo))
        throw ::Win32::Exception(::GetLastError(), LANG_LOCATION());
    m_fileInfoStale = false;
    return m_fileInfo;
}

void DirectoryIteratorImpl::moveToNext() {
    if (!::FindNextFileW(m_findHandle, &m_findData))
        endSearch();
    m_fileInfoStale = true;
}

void DirectoryIteratorImpl::endSearch() {
    ::FindClose(m_findHandle);
    m_findHandle = INVALID_HANDLE_VALUE;
    m_findData = WIN32_FIND_DATAW{};
}

bool DirectoryIteratorImpl::atDotEntry() const {
    const Lang::String name = getName();
    return name == u"." || name == u"..";
}

} // namespace System
