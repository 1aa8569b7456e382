// The file an archive lives in, as a libzip source that reads it and replaces it safely.
#pragma once

#include <zip.h>

#include <functional>
#include <string>

namespace Platform::Com {

// Looks at a new archive written, at the POSIX path it is given, before it replaces the old one:
// 0 to let it, else the errno of the reason.
using ReplacementCheck = std::function<int(const std::string& writtenPath)>;

// A writable libzip source for the archive file at the POSIX path `path`. A missing file reads as
// no archive yet (libzip's "no such file" read error). Changes are written to a new file beside it
// ("zipfile-<random>.tmp" in its folder, the old file's permissions), which on commit gets the ZIP64
// values libzip leaves out (see completeZip64Fields), is accepted by `check` when there is one, and renamed
// over `path`, so the name always holds a complete archive (neither is synced: the caller makes the
// archive durable where it puts it in place); a failed,
// refused, rolled back or abandoned write removes the new file. Null, with `error` set, when out of
// memory.
zip_source_t* makeArchiveFileSource(const std::string& path, zip_error_t* error, ReplacementCheck check = {});

} // namespace Platform::Com
