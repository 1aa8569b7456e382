// Walks the entries of one folder that match a name pattern.
#pragma once

#include "Lang/String.h"
#include "System/Path.h"

#include <cstdint>
#include <memory>

namespace System {

class DirectoryIteratorImpl;

// Stands on the first matching entry other than "." and ".." after construction, or at the end.
// Given a file's path instead of a folder, it searches the file's folder for that file's exact name
// followed by the pattern. A folder that does not exist throws "<folder> is not a directory!";
// a search that matches nothing starts at the end. Entries come in the system's order.
class DirectoryIterator {
public:
    DirectoryIterator(const Path& directory, const Lang::String& pattern);
    ~DirectoryIterator();
    DirectoryIterator(const DirectoryIterator&) = delete;
    DirectoryIterator& operator=(const DirectoryIterator&) = delete;

    bool atEnd() const;
    // Moves to the next entry other than "." and ".."; does nothing at the end.
    void next();
    // The current entry's name; empty at the end.
    Lang::String getName() const;
    // The searched folder with the current entry's name appended.
    Path getEntryPath() const;
    // The current entry's size in bytes; a folder entry cannot be opened and throws Win32::Exception.
    std::uint64_t getSize();

private:
    std::unique_ptr<DirectoryIteratorImpl> m_impl;
};

} // namespace System
