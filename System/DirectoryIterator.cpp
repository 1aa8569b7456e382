// Walks the entries of one folder that match a name pattern, through its implementation.
#include "System/DirectoryIterator.h"

#include "System/DirectoryIteratorImpl.h"

namespace System {

DirectoryIterator::DirectoryIterator(const Path& directory, const Lang::String& pattern)
    : m_impl(std::make_unique<DirectoryIteratorImpl>(directory, pattern)) {}

DirectoryIterator::~DirectoryIterator() = default;

bool DirectoryIterator::atEnd() const {
    return m_impl->atEnd();
}

void DirectoryIterator::next() {
    m_impl->next();
}

Lang::String DirectoryIterator::getName() const {
    return m_impl->getName();
}

Path DirectoryIterator::getEntryPath() const {
    return m_impl->getEntryPath();
}

std::uint64_t DirectoryIterator::getSize() {
    const BY_HANDLE_FILE_INFORMATION& info = m_impl->getFileInfo();
    return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

} // namespace System
