// Win32 path texts and POSIX paths: UTF-16 and UTF-8, separators and the reserved-character mapping.
#include "Platform/PathText.h"

#include "Platform/LastError.h"

#include <algorithm>

namespace Platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// A reserved character travels in a Win32 name as this value plus its own.
constexpr char32_t kReservedBase = 0xF000;
constexpr char32_t kInvalid = 0xFFFFFFFF;

// The characters a Win32 path text may not hold in a name; the separator '/' aside, they travel as
// U+F000 plus their value.
bool isReserved(char32_t c) {
    switch (c) {
    case U':':
    case U'*':
    case U'?':
    case U'"':
    case U'<':
    case U'>':
    case U'|':
    case U'\\':
        return true;
    default:
        return c >= 1 && c <= 31;
    }
}

// The reserved characters a path text given to the system may still not hold. Controls name
// themselves there, as the path rules let most of them through and a POSIX name may hold them.
bool isRefusedInPath(char32_t c) {
    return isReserved(c) && c >= 32;
}

// White space as the path rules trim it from the ends of a text (Unicode White_Space).
bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || c == 0x180E ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Whether the path rules change a text that ends (or begins) with `c`: they trim white space and drop
// a quote mark.
bool changesAtAnEnd(char32_t c) {
    return isWhiteSpace(c) || c == U'"' || c == U'\'';
}

// Whether `c` has a stand-in U+F000 plus its value: the reserved characters, and the name-end
// characters and the dot below U+0100.
bool hasStandIn(char32_t c) {
    return isReserved(c) || (c < 0x100 && (changesAtAnEnd(c) || c == U'.'));
}

bool isWildcard(char32_t c) {
    return c == U'*' || c == U'?';
}

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

bool isAsciiLetter(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

// The code point at `pos` of a UTF-16 text, advancing `pos`; kInvalid for an unpaired surrogate.
char32_t nextCodePoint(std::u16string_view text, std::size_t& pos) {
    const char32_t unit = text[pos++];
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit > 0xDBFF || pos == text.size() || text[pos] < 0xDC00 || text[pos] > 0xDFFF) {
        return kInvalid;
    }
    const char32_t low = text[pos++];
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// The length of a UTF-8 sequence from its lead byte and the smallest code point it may carry;
// length 0 for a byte that cannot lead.
struct Utf8Lead {
    std::size_t length;
    char32_t minimum;
    char32_t bits;
};

Utf8Lead utf8Lead(unsigned char byte) {
    if (byte < 0x80) {
        return {1, 0, byte};
    }
    if (byte >= 0xC0 && byte < 0xE0) {
        return {2, 0x80, byte & 0x1Fu};
    }
    if (byte >= 0xE0 && byte < 0xF0) {
        return {3, 0x800, byte & 0x0Fu};
    }
    if (byte >= 0xF0 && byte < 0xF5) {
        return {4, 0x10000, byte & 0x07u};
    }
    return {0, 0, 0};
}

// The code point at `pos` of a UTF-8 text, advancing `pos`; a malformed sequence (overlong,
// surrogate, beyond U+10FFFF, cut short) gives U+FFFD and advances one byte.
char32_t nextUtf8CodePoint(const std::string& text, std::size_t& pos) {
    const Utf8Lead lead = utf8Lead(static_cast<unsigned char>(text[pos]));
    if (lead.length == 0 || lead.length > text.size() - pos) {
        ++pos;
        return kReplacement;
    }
    char32_t c = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if ((byte & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (byte & 0x3Fu);
    }
    if (c < lead.minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += lead.length;
    return c;
}

// The code points of a UTF-8 name; bytes that are not valid UTF-8 become U+FFFD.
std::u32string codePointsOf(const std::string& name) {
    std::u32string codePoints;
    for (std::size_t pos = 0; pos < name.size();) {
        codePoints += nextUtf8CodePoint(name, pos);
    }
    return codePoints;
}

// Whether the path rules refuse a name that begins this way: "..." and "..x", but not "..".
bool startsWithRefusedDots(const std::u32string& name) {
    return name.size() > 2 && name[0] == U'.' && name[1] == U'.';
}

// Appends one POSIX name in its Win32 form: reserved characters as their stand-ins, and so a last
// character the path rules would change at the end of a text and the first dot of a name they refuse.
// Trailing white space that has no stand-in becomes U+FFFD: left as it is, it would be trimmed, and the
// text would name the sibling without it. So does a stand-in the name holds itself.
void appendName(std::u16string& text, const std::string& posixName) {
    std::u32string name = codePointsOf(posixName);
    // A name's own U+F0xx that stands for a character would come back as that character, another name.
    std::replace_if(
        name.begin(), name.end(), [](char32_t c) { return fromStandIn(c) != c; }, kReplacement);
    if (startsWithRefusedDots(name)) {
        name[0] = kReservedBase + U'.';
    }
    if (!name.empty()) {
        name.back() = nameEndForm(name.back()).value_or(kReplacement);
    }
    for (const char32_t c : name) {
        appendUtf16(text, isReserved(c) ? kReservedBase + c : c);
    }
}

bool isParentOrSelf(std::string_view name) {
    return name == "." || name == "..";
}

// Appends one name of a Win32 text in its POSIX form; false for a name that cannot be one. A stand-in
// dot becomes a dot only where it cannot make the name "." or "..", which would lead elsewhere;
// toWin32Text puts one only at the start of a longer name.
bool appendPosixName(std::string& path, std::u16string_view name) {
    const std::size_t start = path.size();
    bool dotStandIn = false;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = nextCodePoint(name, pos);
        if (c == kInvalid || isRefusedInPath(c)) {
            return false;
        }
        dotStandIn = dotStandIn || c == kReservedBase + U'.';
        appendUtf8(path, fromStandIn(c));
    }
    return !dotStandIn || !isParentOrSelf(std::string_view(path).substr(start));
}

std::optional<std::string> refuse(DWORD error) {
    SetLastError(error);
    return std::nullopt;
}

} // namespace

std::optional<std::string> toPosixPath(const char16_t* win32Text) {
    if (win32Text == nullptr) {
        return refuse(ERROR_INVALID_PARAMETER);
    }
    const std::u16string_view text(win32Text);
    if (text.empty()) {
        return refuse(ERROR_PATH_NOT_FOUND);
    }
    if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1])) {
        return refuse(ERROR_BAD_NETPATH);
    }
    if (text.size() >= 2 && isAsciiLetter(text[0]) && text[1] == u':') {
        return refuse(ERROR_PATH_NOT_FOUND);
    }
    std::string path;
    path.reserve(text.size());
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find_first_of(u"\\/", start), text.size());
        if (!appendPosixName(path, text.substr(start, end - start))) {
            return refuse(ERROR_INVALID_NAME);
        }
        if (end == text.size()) {
            return path;
        }
        path += '/';
        start = end + 1;
    }
}

std::u16string toWin32Text(const std::string& posixText) {
    std::u16string text;
    text.reserve(posixText.size());
    for (std::size_t start = 0; start <= posixText.size();) {
        const std::size_t end = std::min(posixText.find('/', start), posixText.size());
        appendName(text, posixText.substr(start, end - start));
        if (end < posixText.size()) {
            text += u'\\';
        }
        start = end + 1;
    }
    return text;
}

std::optional<std::u16string> toExactWin32Text(const std::string& posixText) {
    std::u16string text = toWin32Text(posixText);
    // Only a successful conversion back, which leaves the last error alone, is compared.
    const DWORD lastError = GetLastError();
    const auto back = toPosixPath(text.c_str());
    SetLastError(lastError);
    if (!back || *back != posixText) {
        return std::nullopt;
    }
    return text;
}

std::optional<char32_t> nameEndForm(char32_t c) {
    if (!changesAtAnEnd(c)) {
        return c;
    }
    if (!hasStandIn(c)) {
        return std::nullopt;
    }
    return kReservedBase + c;
}

char32_t fromStandIn(char32_t c) {
    if (c > kReservedBase && c < kReservedBase + 0x100 && hasStandIn(c - kReservedBase)) {
        return c - kReservedBase;
    }
    return c;
}

bool isSearchPattern(std::u16string_view name) {
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = nextCodePoint(name, pos);
        if (c == kInvalid || (isRefusedInPath(c) && !isWildcard(c))) {
            return false;
        }
    }
    return true;
}

} // namespace Platform
