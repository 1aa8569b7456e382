// The directory search behind DirectoryIterator: the search handle, the current entry, its file information.
#pragma once

#include "Lang/String.h"
#include "Platform/Windows.h"
#include "System/Path.h"

namespace System {

class DirectoryIteratorImpl {
public:
    DirectoryIteratorImpl(const Path& directory, const Lang::String& pattern);
    ~DirectoryIteratorImpl();
    DirectoryIteratorImpl(const DirectoryIteratorImpl&) = delete;
    DirectoryIteratorImpl& operator=(const DirectoryIteratorImpl&) = delete;

    bool atEnd() const;
    void next();
    Lang::String getName() const;
    Path getEntryPath() const;
    // The current entry's information, read once per entry through a handle opened for attributes only.
    const BY_HANDLE_FILE_INFORMATION& getFileInfo();

private:
    void moveToNext();
    void endSearch();
    bool atDotEntry() const;

    Path m_path;
    // The name pattern until the search starts, then the whole search text.
    Lang::String m_pattern;
    HANDLE m_findHandle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_findData{};
    BY_HANDLE_FILE_INFORMATION m_fileInfo{};
    bool m_fileInfoStale = true;
};

} // namespace System
