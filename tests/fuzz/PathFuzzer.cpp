// Fuzz target: any UTF-16 text either becomes a path in normal form or fails with an allowed exception.
#include "FuzzInput.h"

#include "System/Path.h"
#include "System/Private/PathStringParser.h"

#include "Lang/CharClass.h"
#include "Lang/CharCursor.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace {

using Fuzz::require;
using Lang::String;
using System::Path;
using Parser = System::Private::PathStringParser<System::Win32::PathTraits>;

bool startsWith(const String& text, const String& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool rootMatchesKind(const Path& path) {
    const String& text = path.str();
    const std::size_t rootLength = path.getRootLength();
    switch (path.getRootKind()) {
    case System::Relative:
        return rootLength == 0;
    case System::Rooted:
        return rootLength == 1 && text[0] == u'\\';
    case System::Drive: {
        const std::int32_t letter = *Lang::CharCursor(text, 0);
        const std::size_t letterWidth = letter > 0xFFFF ? 2 : 1;
        return Lang::isAlpha(letter) && rootLength == letterWidth + 2 && text[letterWidth] == u':' &&
               text[letterWidth + 1] == u'\\';
    }
    case System::Unc:
        return rootLength >= 2 && startsWith(text, u"\\\\") &&
               (rootLength == text.size() || text[rootLength - 1] == u'\\');
    }
    return false;
}

// Parsing normal text again changes nothing, except that a name once followed by two separators
// loses the one it kept.
void requireStable(const Path& path) {
    String again = path.str();
    std::size_t rootLength = 0;
    System::RootKind kind = System::Relative;
    try {
        kind = Parser::processPathString(rootLength, again);
    } catch (const std::exception&) {
        require(false, "normal text fails when parsed again");
    }
    require(kind == path.getRootKind() && rootLength == path.getRootLength(),
            "root changes when parsed again");
    const String& text = path.str();
    const bool droppedOneSeparator = text.size() == again.size() + 1 && text.back() == u'\\' &&
                                     startsWith(text, again) && text.size() > path.getRootLength();
    require(again == text || droppedOneSeparator, "text changes when parsed again");
}

void requireValidUtf16(const String& text) {
    try {
        for (Lang::CharCursor cursor(text, 0); !cursor.atEnd(); ++cursor)
            *cursor;
    } catch (const std::invalid_argument&) {
        require(false, "broken UTF-16 in the text");
    }
}

void requireNormalForm(const Path& path) {
    const String& text = path.str();
    requireValidUtf16(text);
    require(text.find(u'/') == String::npos, "forward slash in the text");
    require(path.getRootLength() <= text.size(), "root longer than the text");
    require(rootMatchesKind(path), "root does not match its kind");
    for (Lang::CharCursor cursor(text, path.getRootLength()); !cursor.atEnd(); ++cursor)
        require(!System::Win32::PathTraits::isInvalidChar(*cursor), "forbidden character after the root");
    requireStable(path);
}

// The parts of a path re-parse pieces of it; a trimmed or unquoted piece may fail with the path exception.
void checkParts(const Path& path) {
    try {
        requireNormalForm(path.getRoot());
        requireNormalForm(path.getParent());
        requireNormalForm(path.getFileName());
    } catch (const Path::Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const String text = Fuzz::wideTextOf(data, size);
    try {
        const Path path(text);
        requireNormalForm(path);
        checkParts(path);
    } catch (const Path::Exception&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::range_error&) {
    }
    return 0;
}
