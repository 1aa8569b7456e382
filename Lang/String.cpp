// Character-aware operations on Lang::String.
#include "Lang/String.h"

#include "Lang/CharClass.h"
#include "Lang/CharCursor.h"
#include "Lang/Platform/Utf16.h"
#include "Lang/StringUnits.h"

#include <array>
#include <stdexcept>

namespace Lang {

namespace {

// The UTF-16 units of one code point: one, or a surrogate pair.
class EncodedChar {
public:
    explicit EncodedChar(std::int32_t codePoint)
        : m_length(Platform::Utf16::toStorage(codePoint, m_units.data(), m_units.data() + m_units.size()) -
                   m_units.data()) {}

    const char16_t* data() const { return m_units.data(); }
    std::size_t size() const { return m_length; }

private:
    std::array<char16_t, 2> m_units{};
    std::size_t m_length;
};

} // namespace

std::size_t findFirstNot(const String& text, CharPredicate predicate, std::size_t start) {
    for (CharCursor cursor(text, start); !cursor.atEnd(); ++cursor) {
        if (!predicate(*cursor))
            return cursor.index();
    }
    return String::npos;
}

std::size_t findLastNot(const String& text, CharPredicate predicate) {
    std::size_t last = String::npos;
    for (CharCursor cursor(text, 0); !cursor.atEnd(); ++cursor) {
        if (!predicate(*cursor))
            last = cursor.index();
    }
    return last;
}

void trim(String& text) {
    const std::size_t first = findFirstNot(text, isSpace);
    if (first == String::npos) {
        text.clear();
        return;
    }
    text.erase(0, first);
    const std::size_t last = findLastNot(text, isSpace);
    text.erase(last + Platform::Utf16::storageUsed(text.data() + last, text.data() + text.size()));
}

std::size_t findLastChar(const String& text, std::int32_t codePoint) {
    const EncodedChar encoded(codePoint);
    return text.rfind(encoded.data(), String::npos, encoded.size());
}

void replaceChars(String& text, std::size_t index, std::size_t charCount, std::size_t repeat,
                  std::int32_t codePoint) {
    const UnitRange tail = unitsFrom(text, index, "Lang::Platform::Utf16::getIndex");
    const std::size_t units = Platform::Utf16::getIndex(tail.first, tail.end, charCount);
    const EncodedChar encoded(codePoint);
    String replacement;
    if (repeat > replacement.max_size() / encoded.size())
        throw std::length_error("string too long");
    replacement.reserve(repeat * encoded.size());
    for (std::size_t i = 0; i < repeat; ++i)
        replacement.append(encoded.data(), encoded.size());
    text.replace(index, units, replacement);
}

} // namespace Lang
