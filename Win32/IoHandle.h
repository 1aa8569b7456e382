// A byte stream over a Win32 file handle.
#pragma once

#include "Platform/Windows.h"
#include "System/Io/BasicStream.h"
#include "System/Io/OpenParameters.h"
#include "System/Path.h"

namespace Win32 {

// Opens with CreateFileW, passing the system's own open parameters through; reads and writes may
// carry an OVERLAPPED record. Closed until open() succeeds; the destructor closes.
class IoHandle : public System::Io::BasicStream<unsigned char> {
public:
    using OpenDisposition = System::Io::OpenDisposition;
    using AccessMode = System::Io::AccessMode;
    using ShareMode = System::Io::ShareMode;

    IoHandle() = default;
    IoHandle(const IoHandle&) = delete;
    IoHandle& operator=(const IoHandle&) = delete;
    virtual ~IoHandle();

    void close() noexcept override;
    int read(void* buffer, int count) override;
    int write(const void* data, int count) override;
    // Fails with "File not open" when closed.
    long long seek(long long offset, int origin) override;
    void flush() override;
    // Leaves the position at `size`.
    void setSize(long long size) override;

    virtual DWORD readAt(void* buffer, DWORD count, OVERLAPPED* overlapped);
    virtual DWORD writeAt(const void* data, DWORD count, OVERLAPPED* overlapped);
    // An access outside Read, Write and ReadWrite opens for attribute queries only.
    virtual IoHandle& open(const System::Path& path, OpenDisposition disposition, AccessMode access,
                           ShareMode share, DWORD flagsAndAttributes, SECURITY_ATTRIBUTES* security,
                           HANDLE templateFile);
    virtual bool isOpen() const;
    virtual const System::Path& getPath() const;

    // The handle for other Win32 calls; INVALID_HANDLE_VALUE when closed.
    HANDLE getHandle() const { return m_handle; }

private:
    DWORD doRead(void* buffer, DWORD count, OVERLAPPED* overlapped);
    DWORD doWrite(const void* data, DWORD count, OVERLAPPED* overlapped);

    System::Path m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace Win32
