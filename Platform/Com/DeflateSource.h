// A libzip source that deflates an open file in parallel as libzip reads it, so libzip stores the stream as
// it is.
#pragma once

#include "Platform/Com/PackedEntry.h"

#include <sys/stat.h>
#include <zip.h>

namespace Platform::Com {

class ProgressLine;

// Whether the open `file` no longer has the size and times of `before`: another program wrote to it.
// When its status cannot be read it counts as changed, with the cause in `error` (else 0).
bool hasChangedSince(int file, const struct stat& before, int& error);

// A source over `file` (open for reading, with the status `info`) for `archive`. It hands libzip raw
// deflate data (level 6, deflated on one thread per core) and, once read to its end, the size, the
// compressed size and the CRC of what it read; libzip then copies the data without compressing it again.
// The same totals and the method go to `handedOut` (its name is left as it is), to check the archive
// against. A file that changed while it was read fails the read (ZIP_ER_CHANGED), so the archive never
// holds a mix of old and new data. The source reports the bytes it has read to `progress`. libzip owns
// the source; `file`, `progress` and `handedOut` must outlive it. Null when it cannot be made (libzip's
// error of `archive` says why).
zip_source_t* makeDeflateSource(zip_t* archive, int file, const struct stat& info, ProgressLine& progress,
                                PackedEntry& handedOut);

} // namespace Platform::Com
