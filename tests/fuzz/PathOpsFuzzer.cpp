// Fuzz target: combining paths (append, setRoot, setParent) and taking them apart on arbitrary texts.
#include "FuzzInput.h"

#include "Lang/CharClass.h"
#include "System/Path.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

using Fuzz::require;
using Lang::String;
using System::Path;

bool startsWith(const String& text, const String& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool isSpaceOrQuote(std::int32_t codePoint) {
    return codePoint == '"' || codePoint == '\'' || Lang::isSpace(codePoint);
}

// Construction from text drops white space and quote marks at the ends before parsing, so a normal
// text that begins or ends with one (from a quoted name, or left behind by a dropped ".\\") neither
// parses back to itself nor has its parts as prefixes.
bool exposesTrimming(const String& text) {
    return !text.empty() && (isSpaceOrQuote(text.front()) || isSpaceOrQuote(text.back()));
}

// A UNC root naming a server but no share: a name joined after it reads as the share when the
// text, or a piece of it, is parsed again.
bool hasServerOnlyRoot(const Path& path) {
    const auto root = path.str().begin();
    const auto separators = std::count(root, root + static_cast<std::ptrdiff_t>(path.getRootLength()), u'\\');
    return path.getRootKind() == System::Unc && separators < 4;
}

// A root is followed by a separator wherever the text goes on: its own closing backslash, or the one
// after a server named alone.
bool separatorFollowsRoot(const Path& path) {
    const String& text = path.str();
    const std::size_t rootLength = path.getRootLength();
    return rootLength == 0 || rootLength == text.size() || text[rootLength - 1] == u'\\' ||
           text[rootLength] == u'\\';
}

// A path's root is a prefix of its text and a separator follows it; its parent and file name are no
// longer than it.
void checkParts(const Path& path) {
    const String& text = path.str();
    require(path.getRootLength() <= text.size(), "root longer than the text");
    require(separatorFollowsRoot(path), "no separator after the root");
    if (exposesTrimming(text) || hasServerOnlyRoot(path))
        return;
    const Path parent = path.getParent();
    // Parsed on its own, the parent may lose the dots and spaces that end its last name.
    require(parent.str().size() <= text.size(), "parent longer than the path");
    const Path root = path.getRoot();
    require(startsWith(text, root.str()) && root.str().size() == path.getRootLength(),
            "root is not the prefix");
    try {
        const Path name = path.getFileName();
        require(name.getRootKind() == System::Relative, "file name has a root");
        require(text.size() >= name.str().size(), "file name longer than the path");
    } catch (const Path::Exception&) {
        // A trimmed or unquoted piece of a valid path may fail to parse on its own.
    }
}

// Input: an operation chosen by the first unit, then three texts separated by NUL units.
std::array<String, 3> partsOf(const String& input) {
    std::array<String, 3> parts;
    std::size_t start = std::min<std::size_t>(1, input.size());
    for (String& part : parts) {
        const std::size_t end = std::min(input.find(u'\0', start), input.size());
        part = input.substr(start, end - start);
        start = std::min(end + 1, input.size());
    }
    return parts;
}

// A path made from text parses again to the same text and root.
void checkConstructed(const Path& path) {
    checkParts(path);
    if (exposesTrimming(path.str()))
        return;
    const Path again(path.str());
    require(again.getRootKind() == path.getRootKind() && again.getRootLength() == path.getRootLength(),
            "text parses to another root");
    require(path.getParent().getRootLength() == path.getRootLength(), "parent has another root");
}

// An empty last component ("C:\a\") is its separator at the end of the text, which parsing drops.
bool endsInEmptyComponent(const Path& path) {
    return path.str().size() > path.getRootLength() && path.str().back() == u'\\';
}

// A combined path with a full root (a drive, "\" or a share) parses again to the same text and root.
void checkParsesBack(const Path& path) {
    if (path.getRootKind() == System::Relative || hasServerOnlyRoot(path) || exposesTrimming(path.str()) ||
        endsInEmptyComponent(path))
        return;
    const Path again(path.str());
    require(again.str() == path.str(), "combined text parses to another text");
    require(again.getRootKind() == path.getRootKind() && again.getRootLength() == path.getRootLength(),
            "combined text parses to another root");
}

// setParent and setRoot of a rooted path join texts as they are, so a ".." can come to follow a name
// ("\..\z" under the root "C:\w" is "C:\w\..\z"), which parsing removes.
bool joinsUnnormalised(char16_t operation, const Path& path) {
    return operation % 4 == 2 || (operation % 4 == 1 && path.getRootKind() != System::Relative);
}

// Combined paths keep the root they were given without parsing again.
void combine(char16_t operation, const std::array<String, 3>& parts) {
    Path path(parts[0]);
    checkConstructed(path);
    const Path other(parts[1]);
    checkConstructed(other);
    const bool normalisesJoin = !joinsUnnormalised(operation, path);
    switch (operation % 4) {
    case 0:
        path.append(parts[2]);
        break;
    case 1:
        path.setRoot(other);
        break;
    case 2:
        path.setParent(other);
        break;
    default:
        path = Path(Path::joinPathStrings(parts[0], parts[1]));
        break;
    }
    checkParts(path);
    if (normalisesJoin)
        checkParsesBack(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const String input = Fuzz::wideTextOf(data, size);
    try {
        combine(input.empty() ? 0 : input[0], partsOf(input));
    } catch (const Path::Exception&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::range_error&) {
    }
    return 0;
}
