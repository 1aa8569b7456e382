// Win32 path texts and POSIX paths, for the stand-ins and the command-line word.
//
// A POSIX name becomes a Win32 name: UTF-8 to UTF-16, and each character a Win32 name cannot hold
// (':' '*' '?' '"' '<' '>' '|', backslash, the controls 1 to 31) becomes U+F000 plus its value. So
// does a name's last character where the path rules would change a text ending in it (white space
// and quote marks, which they trim from the ends of a text): "photos " travels as "photos" U+F020, or
// a path ending in that folder would name its sibling "photos". A name the rules refuse for its dots
// ("...", "..x") has its first dot as U+F02E.
//
// A Win32 text becomes a POSIX path: UTF-16 to UTF-8, every backslash to '/', and each U+F0xx that
// stands for one of those characters back to it. Other values (U+F02F for '/', say) stay themselves
// and can never become a separator. Controls name themselves. Names are UTF-8 whatever the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

// The POSIX path of a Win32 path text. Nothing for a text that names nothing here, and the calling
// thread's last error then says why: ERROR_PATH_NOT_FOUND for an empty or drive-letter text,
// ERROR_BAD_NETPATH for a UNC text, ERROR_INVALID_NAME for invalid UTF-16 or a character a Win32
// name cannot hold (a wildcard, a ':' past the root, '"', '<', '>', '|'),
// ERROR_INVALID_PARAMETER for null.
std::optional<std::string> toPosixPath(const char16_t* win32Text);

// The Win32 form of a POSIX name or path (separators become backslashes). Bytes that are not
// valid UTF-8 become U+FFFD, and so does a stand-in that a name holds itself (a real U+F020 would
// come back as a space).
std::u16string toWin32Text(const std::string& posixText);

// The Win32 form of a POSIX path where it names that path and nothing else; nothing where
// toWin32Text has to put U+FFFD in (bytes that are not UTF-8, a name's own stand-in, trailing white
// space without one), as the text would then name another file, one with U+FFFD in its name.
std::optional<std::u16string> toExactWin32Text(const std::string& posixText);

// What a name's first or last character `c` travels as in a Win32 text: itself where the path rules
// keep it at the end of a text, else its stand-in U+F000 plus its value; nothing for white space
// beyond U+00FF, which has none.
std::optional<char32_t> nameEndForm(char32_t c);

// The character a stand-in U+F0xx of a Win32 name stands for; any other code point itself.
char32_t fromStandIn(char32_t c);

// Whether `name` may be the last component of a directory search: valid UTF-16 holding, of the
// characters a Win32 path text cannot hold, only the wildcards '*' and '?'.
bool isSearchPattern(std::u16string_view name);

} // namespace Platform
