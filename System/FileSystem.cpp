// Questions about names on disk, answered from their attributes; deleting files; the working directory.
#include "System/FileSystem.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/DirectoryIterator.h"
#include "Win32/Exception.h"

namespace System {

namespace {

DWORD attributesOf(const Path& path) {
    return ::GetFileAttributesW(path.str().c_str());
}

bool isDirectoryAttributes(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

FileSystem& FileSystem::instance() {
    static FileSystem fileSystem;
    return fileSystem;
}

bool FileSystem::exists(const Path& path) const {
    return path.str().empty() || attributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool FileSystem::isFile(const Path& path) const {
    // Invalid attributes have the directory bit set, so a missing name is no file.
    return !path.str().empty() && !isDirectoryAttributes(attributesOf(path));
}

bool FileSystem::isDirectory(const Path& path) const {
    if (path.str().empty())
        return true;
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && isDirectoryAttributes(attributes);
}

std::uint64_t FileSystem::getFileSize(const Path& path) const {
    if (!isFile(path))
        LANG_THROW(Path::Exception(u"Failed to get size: Not a file", path.str(), Lang::unknownLocation()));
    // Given a file, the iterator searches the file's folder for the file's exact name.
    return DirectoryIterator(path, Lang::String()).getSize();
}

void FileSystem::deleteFile(const Path& path) const {
    if (!path.str().empty() && attributesOf(path) == INVALID_FILE_ATTRIBUTES)
        return;
    if (::DeleteFileW(path.str().c_str()))
        return;
    throw ::Win32::Exception(::GetLastError(), LANG_LOCATION());
}

Path FileSystem::getWorkingDirectory() const {
    Lang::String buffer(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            throw ::Win32::Exception(::GetLastError(), LANG_LOCATION());
        if (length < buffer.size())
            return Path(Lang::String(buffer.c_str()));
        // Too small: the result is the size needed; the directory may grow again before the next call.
        buffer.assign(length, u'\0');
    }
}

} // namespace System
