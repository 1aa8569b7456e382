// The open files of CreateFileW: their table, their look-up with an access check, their closing.
#include "Platform/OpenFile.h"

#include "Platform/LastError.h"

#include <unistd.h>

namespace Platform {

OpenFile::~OpenFile() {
    ::close(m_descriptor);
}

HandleTable<OpenFile>& openFiles() {
    static HandleTable<OpenFile> table;
    return table;
}

std::shared_ptr<OpenFile> lookUpFile(HANDLE handle, DWORD access) {
    auto file = openFiles().find(handle);
    if (!file) {
        failWith(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (access != 0 && !file->allows(access)) {
        failWith(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

} // namespace Platform
