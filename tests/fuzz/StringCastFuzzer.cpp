// Fuzz target: Windows-1252 decoding of arbitrary bytes and round trips through Xtl::string_cast.
#include "FuzzInput.h"

#include "Lang/Platform/Windows1252.h"
#include "Lang/StringCast.h"

#include <stdexcept>

namespace {

using Fuzz::require;

// Text that holds "&#" may read back as a character reference; any other text must survive.
template <class Text>
bool mayHoldReference(const Text& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&' && text[i + 1] == '#')
            return true;
    return false;
}

bool isValidUtf16(const Lang::String& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return false;
        if (unit < 0xD800 || unit > 0xDBFF)
            continue;
        if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
            return false;
        ++i;
    }
    return true;
}

// Every byte decodes; a character takes one byte, or a whole reference of at least 4 bytes.
void checkDecoding(const std::string& narrow) {
    const char* cursor = narrow.data();
    const char* end = cursor + narrow.size();
    while (cursor != end) {
        const char* before = cursor;
        const std::int32_t codePoint = Lang::Platform::Windows1252::toChar(cursor, end);
        const std::ptrdiff_t used = cursor - before;
        require(used == 1 || (used >= 4 && *before == '&' && cursor[-1] == ';'), "decoder width");
        require(cursor <= end, "decoder walks past the end");
        require(codePoint >= 0 && codePoint <= 0x10FFFF, "decoded value out of range");
    }
}

// Narrow text becomes wide text of at most as many units; without references it comes back unchanged.
void checkNarrowText(const std::string& narrow) {
    checkDecoding(narrow);
    const Lang::String wide = Xtl::string_cast<Lang::String>(narrow);
    require(wide.size() <= narrow.size(), "wide text longer than its narrow source");
    if (mayHoldReference(narrow))
        return;
    require(wide.size() == narrow.size(), "a plain byte decodes to more than one unit");
    require(Xtl::string_cast<std::string>(wide) == narrow, "narrow round trip changes the text");
}

// Wide text becomes narrow text of at least as many bytes, and comes back unchanged.
void checkWideText(const Lang::String& wide) {
    std::string narrow;
    try {
        narrow = Xtl::string_cast<std::string>(wide);
    } catch (const std::invalid_argument&) {
        require(!isValidUtf16(wide), "valid UTF-16 rejected");
        return;
    }
    require(isValidUtf16(wide), "broken UTF-16 accepted");
    require(narrow.size() >= wide.size(), "narrow text shorter than its wide source");
    const Lang::String again = Xtl::string_cast<Lang::String>(narrow);
    require(mayHoldReference(wide) || again == wide, "wide round trip changes the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkNarrowText(Fuzz::narrowTextOf(data, size));
    checkWideText(Fuzz::wideTextOf(data, size));
    return 0;
}
