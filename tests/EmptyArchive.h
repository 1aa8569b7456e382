// Test helper: the bytes of a ZIP archive with no entries.
#pragma once

#include <string>

// The 22-byte end-of-central-directory record of an archive with no entries.
inline const std::string kEmptyArchive = std::string("PK\x05\x06", 4) + std::string(18, '\0');
