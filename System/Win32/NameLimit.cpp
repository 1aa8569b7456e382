// Names longer than the system takes, told apart from missing names.
#include "System/Win32/NameLimit.h"

#include "Lang/Throw.h"
#include "Platform/Windows.h"
#include "Win32/Exception.h"

namespace System::Win32 {

void refuseOverlongName(const Path& path) {
    if (::GetFileAttributesW(path.str().c_str()) == INVALID_FILE_ATTRIBUTES &&
        ::GetLastError() == ERROR_FILENAME_EXCED_RANGE)
        throw ::Win32::Exception(ERROR_FILENAME_EXCED_RANGE, LANG_LOCATION());
}

} // namespace System::Win32
