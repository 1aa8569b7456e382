// A byte stream over a stdio file: the open rules, the mode strings and sharing flags, and the stream
// operations.
#include "System/Io/File.h"

#include "Lang/ErrnoException.h"
#include "Lang/Quote.h"
#include "Lang/StringCast.h"
#include "Lang/Throw.h"
#include "Platform/Crt.h"
#include "System/FileSystem.h"

#include <utility>

namespace System::Io {

namespace {

// The runtime library's errno, read right after the call that failed.
int lastErrno() {
    int value = 0;
    _get_errno(&value);
    return value;
}

int sharingFlag(ShareMode share) {
    switch (share) {
    case ShareMode::Read:
        return _SH_DENYWR;
    case ShareMode::Write:
        return _SH_DENYRD;
    case ShareMode::ReadWrite:
        return _SH_DENYNO;
    case ShareMode::None:
        break;
    }
    return _SH_DENYRW;
}

// Whether the open starts from an empty file: the disposition replaces the content, or no file is there.
// Otherwise an existing file is opened without truncating it.
bool startsEmpty(const Path& path, OpenDisposition disposition) {
    return disposition == OpenDisposition::CreateAlways || disposition == OpenDisposition::TruncateExisting ||
           !FileSystem::instance().exists(path);
}

} // namespace

void verifyOpenRequirements(const Path& path, const OpenDisposition& disposition) {
    const FileSystem& fileSystem = FileSystem::instance();
    switch (disposition) {
    case OpenDisposition::CreateNew:
        if (fileSystem.exists(path))
            LANG_THROW(
                Lang::Exception(u"File: " + Xtl::string_cast<Lang::String>(path.str()) + u" already exists.",
                                Lang::unknownLocation()));
        return;
    case OpenDisposition::OpenExisting:
    case OpenDisposition::TruncateExisting:
        if (!fileSystem.isFile(path))
            LANG_THROW(
                Lang::Exception(u"File: " + Xtl::string_cast<Lang::String>(path.str()) + u" does not exist.",
                                Lang::unknownLocation()));
        return;
    case OpenDisposition::CreateAlways:
    case OpenDisposition::OpenAlways:
        return;
    }
}

Lang::String buildModeString(const Path& path, const OpenDisposition& disposition, const AccessMode& access,
                             const OpenFlags& flags) {
    const bool append = hasFlag(flags, OpenFlags::Append);
    switch (access) {
    case AccessMode::Read:
        if (disposition == OpenDisposition::CreateAlways)
            break;
        return u"rb";
    case AccessMode::Write:
        if (append)
            return u"ab";
        if (disposition == OpenDisposition::CreateNew)
            return u"wbx";
        return startsEmpty(path, disposition) ? u"wb" : u"rb+";
    case AccessMode::ReadWrite:
        if (disposition == OpenDisposition::TruncateExisting)
            return u"wb+";
        if (append)
            return u"ab+";
        if (disposition == OpenDisposition::CreateNew)
            return u"wb+x";
        return startsEmpty(path, disposition) ? u"wb+" : u"rb+";
    }
    LANG_THROW(Lang::Exception(u"Illegal Open Mode", Lang::unknownLocation()));
}

File::~File() {
    File::close();
}

void File::open(const Path& path, const OpenDisposition& disposition, const AccessMode& access,
                const ShareMode& share, OpenFlags flags) {
    if (isOpen())
        LANG_THROW(Lang::Exception(u"File already open", Lang::unknownLocation()));
    verifyOpenRequirements(path, disposition);
    const Lang::String mode = buildModeString(path, disposition, access, flags);
    // Deleted only once every check has passed, so a refused open leaves the file where it was.
    if (disposition == OpenDisposition::CreateAlways)
        FileSystem::instance().deleteFile(path);
    // Copied first, so that nothing can fail once the stream is open.
    Path openedPath = path;
    std::FILE* const file = _wfsopen(path.str().c_str(), mode.c_str(), sharingFlag(share));
    if (file == nullptr) {
        const int error = lastErrno();
        LANG_THROW(Lang::ErrnoException(u"Failed to Open File " + Lang::quote(path.toString(), u'"'), error));
    }
    m_path = std::move(openedPath);
    m_access = access;
    m_file = file;
}

void File::close() noexcept {
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    m_path = Path();
    m_access = AccessMode{};
}

int File::read(void* buffer, int count) {
    if (count == 0)
        return 0;
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    if (buffer == nullptr)
        LANG_THROW(Lang::Exception(u"read buffer is NULL", Lang::unknownLocation()));
    const std::size_t done = std::fread(buffer, 1, checkedCount(count), m_file);
    // A short count, or 0 at the end of the file, is a normal result.
    if (done != 0 || !std::ferror(m_file))
        return static_cast<int>(done);
    // Kept: untraced, so the exception keeps the default location.
    throw Lang::ErrnoException(u"fread failed", lastErrno());
}

int File::write(const void* data, int count) {
    if (count == 0)
        return 0;
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    if (data == nullptr)
        LANG_THROW(Lang::Exception(u"write buffer is NULL", Lang::unknownLocation()));
    const std::size_t done = std::fwrite(data, 1, checkedCount(count), m_file);
    if (done != 0 || !std::ferror(m_file))
        return static_cast<int>(done);
    const int error = lastErrno();
    LANG_THROW(Lang::ErrnoException(u"fwrite failed", error));
}

long long File::seek(long long offset, int origin) {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    if (_fseeki64(m_file, offset, origin) != 0)
        LANG_THROW(Lang::Exception(u"seek failed", Lang::unknownLocation()));
    if (origin == SEEK_SET)
        return offset;
    const long long position = _ftelli64(m_file);
    if (position == -1) {
        const int error = lastErrno();
        LANG_THROW(Lang::ErrnoException(u"failed to get file position", error));
    }
    return position;
}

void File::flush() {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    if (std::fflush(m_file) != 0)
        LANG_THROW(Lang::Exception(u"fflush failed", Lang::unknownLocation()));
}

void File::setSize(long long size) {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    // The flush writes out what the stream holds and drops what it read ahead, which may lie beyond the new
    // end.
    flush();
    if (_chsize_s(_fileno(m_file), size) != 0) {
        const int error = lastErrno();
        LANG_THROW(Lang::ErrnoException(u"failed to set file size", error));
    }
    seek(size, SEEK_SET);
}

bool File::isOpen() const {
    return m_file != nullptr;
}

bool File::eof() {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
    return std::feof(m_file) != 0;
}

std::uint64_t File::getSize() {
    return FileSystem::instance().getFileSize(m_path);
}

AccessMode File::getAccessMode() const {
    return m_access;
}

} // namespace System::Io
