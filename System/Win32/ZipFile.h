// Packs one file into a ZIP archive through the shell's compressed folders.
#pragma once

#include "System/Path.h"

namespace System::Win32 {

class ZipFile {
public:
    // Packs `fileToBeZipped` into the archive `zipFile`, moving it there when `moveFile` is set and
    // copying it otherwise. Relative paths are resolved against the working directory. An existing
    // archive is replaced only by a complete new one; every failure is an exception.
    static void zip(System::Path zipFile, System::Path fileToBeZipped, bool moveFile);
};

} // namespace System::Win32
