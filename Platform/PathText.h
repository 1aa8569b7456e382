// Win32 path texts and POSIX paths, for the stand-ins only.
//
// A Win32 text becomes a POSIX path: UTF-16 to UTF-8, every backslash to '/', and U+F001..U+F07F
// back to the reserved character they stand for. A POSIX name becomes a Win32 name: UTF-8 to
// UTF-16, and each character a Win32 name cannot hold (':' '*' '?' '"' '<' '>' '|', backslash,
// the controls 1 to 31) becomes U+F000 plus its value. Only those values are mapped back, so a
// U+F0xx that stands for no reserved character (U+F02F for '/', say) stays itself and can never
// become a separator. Names are UTF-8 whatever the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

// The POSIX path of a Win32 path text. Nothing for a text that names nothing here, and the calling
// thread's last error then says why: ERROR_PATH_NOT_FOUND for an empty or drive-letter text,
// ERROR_BAD_NETPATH for a UNC text, ERROR_INVALID_NAME for invalid UTF-16 or a character a Win32
// name cannot hold (a wildcard, a ':' past the root, a control), ERROR_INVALID_PARAMETER for null.
std::optional<std::string> toPosixPath(const char16_t* win32Text);

// The Win32 form of a POSIX name or path (separators become backslashes). Bytes that are not
// valid UTF-8 become U+FFFD.
std::u16string toWin32Text(const std::string& posixText);

// Whether `name` may be the last component of a directory search: valid UTF-16 holding, of the
// characters a Win32 name cannot hold, only the wildcards '*' and '?'.
bool isSearchPattern(std::u16string_view name);

} // namespace Platform
