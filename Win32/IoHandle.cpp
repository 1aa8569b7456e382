// A byte stream over a Win32 file handle: opening, reading, writing, positioning, sizing, closing.
#include "Win32/IoHandle.h"

#include "Lang/Throw.h"
#include "Win32/Exception.h"

#include <cstdint>
#include <utility>

namespace Win32 {

namespace {

using System::Io::AccessMode;
using System::Io::OpenDisposition;
using System::Io::ShareMode;

DWORD desiredAccess(AccessMode access) {
    switch (access) {
    case AccessMode::Read:
        return GENERIC_READ;
    case AccessMode::Write:
        return GENERIC_WRITE;
    case AccessMode::ReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

DWORD shareFlags(ShareMode share) {
    switch (share) {
    case ShareMode::Read:
        return FILE_SHARE_READ;
    case ShareMode::Write:
        return FILE_SHARE_WRITE;
    case ShareMode::ReadWrite:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case ShareMode::None:
        break;
    }
    return 0;
}

// The dispositions equal CREATE_NEW .. TRUNCATE_EXISTING; anything else becomes 0, which the system refuses.
DWORD creationDisposition(OpenDisposition disposition) {
    const auto value = static_cast<DWORD>(disposition);
    return value >= CREATE_NEW && value <= TRUNCATE_EXISTING ? value : 0;
}

long long joinHalves(LONG high, DWORD low) {
    return static_cast<long long>((static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low);
}

} // namespace

IoHandle::~IoHandle() {
    IoHandle::close();
}

void IoHandle::close() noexcept {
    if (isOpen())
        ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_path = System::Path();
}

int IoHandle::read(void* buffer, int count) {
    return static_cast<int>(doRead(buffer, static_cast<DWORD>(System::Io::checkedCount(count)), nullptr));
}

int IoHandle::write(const void* data, int count) {
    return static_cast<int>(doWrite(data, static_cast<DWORD>(System::Io::checkedCount(count)), nullptr));
}

long long IoHandle::seek(long long offset, int origin) {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"File not open", Lang::unknownLocation()));
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low =
        ::SetFilePointer(m_handle, static_cast<LONG>(offset & 0xFFFFFFFF), &high, static_cast<DWORD>(origin));
    if (low == INVALID_SET_FILE_POINTER) {
        // The low half may really be all ones; only a set error code means failure.
        const DWORD error = ::GetLastError();
        if (error != ERROR_SUCCESS)
            LANG_THROW(Win32::Exception(error));
    }
    return joinHalves(high, low);
}

void IoHandle::flush() {
    if (!isOpen())
        LANG_THROW(Lang::Exception(u"IoHandle not open", Lang::unknownLocation()));
    if (!::FlushFileBuffers(m_handle))
        throw Win32::Exception(::GetLastError(), LANG_LOCATION());
}

void IoHandle::setSize(long long size) {
    seek(size, FILE_BEGIN);
    if (!::SetEndOfFile(m_handle))
        throw Win32::Exception(::GetLastError(), LANG_LOCATION());
}

DWORD IoHandle::readAt(void* buffer, DWORD count, OVERLAPPED* overlapped) {
    return doRead(buffer, count, overlapped);
}

DWORD IoHandle::writeAt(const void* data, DWORD count, OVERLAPPED* overlapped) {
    return doWrite(data, count, overlapped);
}

IoHandle& IoHandle::open(const System::Path& path, OpenDisposition disposition, AccessMode access,
                         ShareMode share, DWORD flagsAndAttributes, SECURITY_ATTRIBUTES* security,
                         HANDLE templateFile) {
    if (isOpen())
        LANG_THROW(Lang::Exception(u"IoHandle already open", Lang::unknownLocation()));
    // Copied first, so that nothing can fail once the handle is open.
    System::Path openedPath = path;
    const HANDLE handle =
        ::CreateFileW(path.str().c_str(), desiredAccess(access), shareFlags(share), security,
                      creationDisposition(disposition), flagsAndAttributes, templateFile);
    if (handle == INVALID_HANDLE_VALUE)
        throw Win32::Exception(::GetLastError(), LANG_LOCATION());
    m_path = std::move(openedPath);
    m_handle = handle;
    return *this;
}

bool IoHandle::isOpen() const {
    return m_handle != INVALID_HANDLE_VALUE;
}

const System::Path& IoHandle::getPath() const {
    return m_path;
}

DWORD IoHandle::doRead(void* buffer, DWORD count, OVERLAPPED* overlapped) {
    if (count == 0)
        return 0;
    if (m_handle == INVALID_HANDLE_VALUE)
        LANG_THROW(Lang::Exception(u"IoHandle not open", Lang::unknownLocation()));
    if (buffer == nullptr)
        LANG_THROW(Lang::Exception(u"read buffer is NULL", Lang::unknownLocation()));
    DWORD done = 0;
    if (!::ReadFile(m_handle, buffer, count, &done, overlapped))
        throw Win32::Exception(::GetLastError(), LANG_LOCATION());
    return done;
}

DWORD IoHandle::doWrite(const void* data, DWORD count, OVERLAPPED* overlapped) {
    if (count == 0)
        return 0;
    if (m_handle == INVALID_HANDLE_VALUE)
        LANG_THROW(Lang::Exception(u"IoHandle not open", Lang::unknownLocation()));
    DWORD done = 0;
    if (!::WriteFile(m_handle, data, count, &done, overlapped))
        throw Win32::Exception(::GetLastError(), LANG_LOCATION());
    return done;
}

} // namespace Win32
