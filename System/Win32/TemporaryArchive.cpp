// A new archive built beside the one it replaces.
#include "System/Win32/TemporaryArchive.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/FileSystem.h"
#include "System/Win32/UnusedName.h"
#include "Win32/Exception.h"

#include <array>

namespace System::Win32 {

namespace {

// The end-of-central-directory record of an archive without entries.
constexpr std::array<unsigned char, 22> kEmptyArchive = {0x50, 0x4B, 0x05, 0x06};

void removeQuietly(const Path& path) noexcept {
    try {
        FileSystem::instance().deleteFile(path);
    } catch (...) {
        // Nothing more can be done for a file that cannot be removed; the original is untouched.
    }
}

} // namespace

TemporaryArchive::TemporaryArchive(const Path& destination)
    : m_destination(destination), m_path(unusedName(destination)), m_stream(Rc::Heap<Io::File>::create()) {
    // A new name: opening it never removes anything, and from here on the file is ours to remove.
    m_stream->open(m_path, Io::OpenDisposition::CreateNew, Io::AccessMode::ReadWrite, Io::ShareMode::None,
                   Io::OpenFlags::None);
    try {
        writeEmptyRecord();
    } catch (...) {
        m_stream->close();
        removeQuietly(m_path);
        throw;
    }
}

TemporaryArchive::~TemporaryArchive() {
    if (!m_committed && !m_keep)
        removeQuietly(m_path);
}

void TemporaryArchive::writeEmptyRecord() {
    const int size = static_cast<int>(kEmptyArchive.size());
    if (m_stream->write(kEmptyArchive.data(), size) != size)
        LANG_THROW(Lang::Exception(u"Short write to " + m_path.str(), Lang::unknownLocation()));
    m_stream->flush();
    m_stream->close();
}

// An existing archive is replaced keeping its permissions, and not at all where the user may not write
// it; a new one is renamed into place.
void TemporaryArchive::commit() {
    const bool replaced = ReplaceFileW(m_destination.str().c_str(), m_path.str().c_str(), nullptr,
                                       REPLACEFILE_WRITE_THROUGH, nullptr, nullptr) != FALSE;
    if (!replaced && (GetLastError() != ERROR_FILE_NOT_FOUND ||
                      !MoveFileExW(m_path.str().c_str(), m_destination.str().c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)))
        throw ::Win32::Exception(GetLastError(), LANG_LOCATION());
    m_committed = true;
}

} // namespace System::Win32
