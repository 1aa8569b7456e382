// Fuzz target: the UTF-16 codec and the character cursor over arbitrary code units.
#include "FuzzInput.h"

#include "Lang/CharCursor.h"
#include "Lang/Platform/Utf16.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

using Fuzz::require;
using Lang::Platform::Utf16;

bool isSurrogate(std::int32_t codePoint) {
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

// Decodes the character at `unit`; encoding it again gives back the same units.
void checkCharacter(const char16_t* unit, const char16_t* end) {
    const std::size_t used = Utf16::storageUsed(unit, end);
    require(used <= 2 && used <= static_cast<std::size_t>(end - unit), "storageUsed beyond the range");
    const char16_t* cursor = unit;
    std::int32_t codePoint = 0;
    try {
        codePoint = Utf16::toChar(cursor, end);
    } catch (const std::invalid_argument&) {
        // toChar has stepped over a high surrogate by the time it finds no low one after it.
        require(used == 0 && cursor - unit <= 1, "toChar rejects a character storageUsed accepts");
        return;
    }
    require(used != 0, "toChar accepts an unpaired surrogate");
    require(static_cast<std::size_t>(cursor - unit) == used, "toChar and storageUsed disagree on width");
    require(codePoint >= 0 && codePoint <= 0x10FFFF && !isSurrogate(codePoint), "decoded value out of range");
    std::array<char16_t, 2> again{};
    const char16_t* againEnd = Utf16::toStorage(codePoint, again.data(), again.data() + again.size());
    require(static_cast<std::size_t>(againEnd - again.data()) == used &&
                std::equal(unit, unit + used, again.data()),
            "encoding the decoded character changes its units");
}

// Characters walked the way getIndex walks: up to `count`, stopping at an unpaired surrogate.
std::size_t unitsOfFirst(const Lang::String& text, std::size_t count) {
    std::size_t index = 0;
    for (; count > 0 && index < text.size(); --count) {
        const std::size_t used = Utf16::storageUsed(text.data() + index, text.data() + text.size());
        if (used == 0)
            break;
        index += used;
    }
    return index;
}

void checkGetIndex(const Lang::String& text) {
    const char16_t* first = text.data();
    const char16_t* end = first + text.size();
    std::size_t previous = 0;
    for (std::size_t count = 0; count <= text.size() + 1; ++count) {
        const std::size_t index = Utf16::getIndex(first, end, count);
        require(index <= text.size(), "getIndex beyond the end");
        require(index >= previous, "getIndex goes backwards as the count grows");
        require(index == unitsOfFirst(text, count), "getIndex differs from a walk by storageUsed");
        previous = index;
    }
    require(Utf16::getIndex(first, end, SIZE_MAX) == previous, "getIndex of every character differs");
}

// The cursor steps at least one unit, by storageUsed, and reads exactly the characters toChar reads.
void checkCursorWalk(const Lang::String& text) {
    Lang::CharCursor cursor(text, 0);
    while (!cursor.atEnd()) {
        const std::size_t index = cursor.index();
        const std::size_t used = Utf16::storageUsed(text.data() + index, text.data() + text.size());
        try {
            const std::int32_t codePoint = *cursor;
            require(used != 0 && !isSurrogate(codePoint), "cursor reads an unpaired surrogate");
        } catch (const std::invalid_argument&) {
            require(used == 0, "cursor rejects a valid character");
        }
        ++cursor;
        require(cursor.index() == index + (used == 0 ? 1 : used), "cursor steps by the wrong width");
    }
    require(cursor.index() == text.size(), "cursor walks past the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Lang::String text = Fuzz::wideTextOf(data, size);
    checkCursorWalk(text);
    if (text.empty())
        return 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        checkCharacter(text.data() + i, text.data() + text.size());
    checkGetIndex(text);
    return 0;
}
