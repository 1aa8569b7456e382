// The object behind a CreateFileW handle: a file descriptor and the access it was opened for.
#pragma once

#include "Platform/HandleTable.h"
#include "Platform/Windows.h"

#include <memory>

namespace Platform {

class OpenFile {
public:
    OpenFile(int descriptor, DWORD access) : m_descriptor(descriptor), m_access(access) {}
    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int descriptor() const { return m_descriptor; }
    bool allows(DWORD access) const { return (m_access & access) != 0; }

private:
    int m_descriptor;
    DWORD m_access;
};

HandleTable<OpenFile>& openFiles();

// The open file behind `handle` when it was opened with any of `access` (0: with any access at all);
// otherwise null, with the last error ERROR_INVALID_HANDLE or ERROR_ACCESS_DENIED.
std::shared_ptr<OpenFile> lookUpFile(HANDLE handle, DWORD access);

} // namespace Platform
