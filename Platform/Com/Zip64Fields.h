// Completing the ZIP64 extra fields that libzip leaves empty in the central directory.
#pragma once

namespace Platform::Com {

// libzip writes a central directory entry whose uncompressed size, compressed size or offset is
// exactly 0xFFFFFFFF with that value in its 32-bit field, which means "in the ZIP64 extra field",
// and a ZIP64 extra field without it, so readers find no size there (Python refuses the archive,
// libzip itself cannot open it). The values it leaves out are exactly 0xFFFFFFFF: any larger one
// it writes. This puts them into such fields of the archive written to `file` (open for reading
// and writing) and moves the end records behind the grown directory. An archive that needs nothing,
// or whose end records it does not find, is left as it is. False, with errno set, when the file
// cannot be read or written.
bool completeZip64Fields(int file);

} // namespace Platform::Com
