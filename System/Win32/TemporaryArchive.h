// A new archive built beside the one it replaces, so that the old one survives every failure.
#pragma once

#include "Mem/RefCount.h"
#include "System/Io/File.h"
#include "System/Path.h"

namespace System::Win32 {

// Holds the empty archive record in a temporary file in the destination's folder, "zipfile-<hex>.tmp"
// (see createUnderTemporaryName); failures name the destination, the name the user knows. commit() renames
// it over the destination; otherwise it is removed when the object ends, unless keep() was called
// because it holds the only copy of a moved file.
class TemporaryArchive {
public:
    // Creates the file under a new unique name, never opening one that is there, and writes the empty
    // record; a short write or a failed flush is an error.
    explicit TemporaryArchive(const Path& destination);
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;
    ~TemporaryArchive();

    const Path& path() const { return m_path; }

    // Leaves the file on disk whatever happens next.
    void keep() { m_keep = true; }

    // Replaces the destination with the file in one step, keeping an existing destination's permissions;
    // throws Win32::Exception on failure (access denied for a destination the user may not write).
    void commit();

private:
    bool open(const Path& name);
    void writeEmptyRecord();

    Path m_destination;
    Rc::Pointer<Io::File> m_stream;
    Path m_path;
    bool m_keep = false;
    bool m_committed = false;
};

} // namespace System::Win32
