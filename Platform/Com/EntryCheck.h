// Reading an entry back from the archive written for it.
#pragma once

#include "Platform/Com/PackedEntry.h"

#include <string>

namespace Platform::Com {

// Opens the archive at the POSIX path `archivePath` anew with libzip's own file source, read-only
// and with its check that every local header agrees with its central one, and finds `entry` by name
// with exactly its sizes, CRC and method. Reads the directory and the headers, not the data. 0, or
// EUCLEAN when the archive does not read back so, or the errno that kept it from being read.
int checkEntryReadsBack(const std::string& archivePath, const PackedEntry& entry);

} // namespace Platform::Com
