// Win32 path texts and POSIX paths, for the stand-ins only.
//
// A Win32 text becomes a POSIX path: UTF-16 to UTF-8, every backslash to '/', and U+F001..U+F07F
// back to the reserved character they stand for. A POSIX name becomes a Win32 name: UTF-8 to
// UTF-16, and each character a Win32 name cannot hold (':' '*' '?' '"' '<' '>' '|', backslash,
// the controls 1 to 31) becomes U+F000 plus its value.
#pragma once

#include <optional>
#include <string>

namespace Platform {

// The POSIX path of a Win32 path text; nothing for a text that names nothing here (drive-letter
// and UNC texts) or that is not valid UTF-16.
std::optional<std::string> toPosixPath(const char16_t* win32Text);

// The Win32 form of a POSIX name or path (separators become backslashes). Bytes that are not
// valid UTF-8 become U+FFFD.
std::u16string toWin32Text(const std::string& posixText);

} // namespace Platform
