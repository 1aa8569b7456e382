// The file an archive lives in, as a libzip source that reads it and replaces it safely.
#pragma once

#include <zip.h>

#include <string>

namespace Platform::Com {

// A writable libzip source for the archive file at the POSIX path `path`. A missing file reads as
// no archive yet (libzip's "no such file" read error). Changes are written to a new file beside it
// (`path` with a random suffix, the old file's permissions), which on commit is synced and renamed
// over `path`, and the folder synced, so the name always holds a complete archive; a rolled back or
// abandoned write removes the new file. Null, with `error` set, when out of memory.
zip_source_t* makeArchiveFileSource(const std::string& path, zip_error_t* error);

} // namespace Platform::Com
