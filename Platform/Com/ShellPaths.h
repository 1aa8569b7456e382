// Path texts in the shell stand-in: BSTR path texts to POSIX paths, and the parts of a POSIX path.
#pragma once

#include "Platform/Com/OleAuto.h"

#include <optional>
#include <string>

namespace Platform::Com {

// The POSIX path of a Win32 path text (the null BSTR is the empty text); nothing, with the reason
// in the last error, for a text that names nothing here.
std::optional<std::string> posixPathOf(BSTR text);

// The last name of `path`: the whole of a path without a slash.
std::string fileNameOf(const std::string& path);

} // namespace Platform::Com
