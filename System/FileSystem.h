// Questions about names on disk: existence, kind, size; deleting files; the working directory.
#pragma once

#include "System/Path.h"

#include <cstdint>

namespace System {

// Works on each path's text exactly as stored; nothing is resolved or cached. The empty path stands
// for the working directory: it exists and is a folder, never a file.
class FileSystem {
public:
    // The process's shared instance, created on first use.
    static FileSystem& instance();

    bool exists(const Path& path) const;
    bool isFile(const Path& path) const;
    bool isDirectory(const Path& path) const;
    // Throws System::Path::Exception "Failed to get size: Not a file" for the empty path, a folder
    // or a missing name.
    std::uint64_t getFileSize(const Path& path) const;
    // A missing file is not an error; a folder cannot be deleted here.
    void deleteFile(const Path& path) const;
    Path getWorkingDirectory() const;

private:
    FileSystem() = default;
};

} // namespace System
