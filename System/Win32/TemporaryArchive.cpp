// A new archive built beside the one it replaces.
#include "System/Win32/TemporaryArchive.h"

#include "Lang/StringCast.h"
#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "System/FileSystem.h"
#include "System/Win32/TemporaryName.h"
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

// The user never named the staged file: a failure on it is told as one on the archive it is to become.
void nameTheArchive(Lang::Exception& failure, const Path& staged, const Path& destination) {
    Lang::String message = Xtl::string_cast<Lang::String>(std::string(failure.what()));
    for (std::size_t at = message.find(staged.str()); at != Lang::String::npos;
         at = message.find(staged.str(), at + destination.str().size()))
        message.replace(at, staged.str().size(), destination.str());
    failure.setMessage(message);
}

} // namespace

TemporaryArchive::TemporaryArchive(const Path& destination)
    : m_destination(destination), m_stream(Rc::Heap<Io::File>::create()) {
    m_path =
        createUnderTemporaryName(destination.getParent(), [this](const Path& name) { return open(name); });
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

// The open creates the file (CreateNew never opens one that is there); from then on it is ours to remove.
// A name another file took since it was picked is given up for the next one.
bool TemporaryArchive::open(const Path& name) {
    try {
        m_stream->open(name, Io::OpenDisposition::CreateNew, Io::AccessMode::ReadWrite, Io::ShareMode::None,
                       Io::OpenFlags::None);
    } catch (Lang::Exception& failure) {
        if (FileSystem::instance().exists(name))
            return false;
        nameTheArchive(failure, name, m_destination);
        throw;
    }
    return true;
}

void TemporaryArchive::writeEmptyRecord() {
    const int size = static_cast<int>(kEmptyArchive.size());
    if (m_stream->write(kEmptyArchive.data(), size) != size)
        LANG_THROW(Lang::Exception(u"Short write to " + m_destination.str(), Lang::unknownLocation()));
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
