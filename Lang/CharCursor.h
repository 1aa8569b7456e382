// A character position in a Lang::String: the string and a code-unit index into it.
#pragma once

#include "Lang/String.h"

#include <cstddef>
#include <cstdint>

namespace Lang {

class CharCursor {
public:
    CharCursor(const String& text, std::size_t index) : m_text(&text), m_index(index) {}

    // The character at the cursor; throws std::invalid_argument on broken UTF-16.
    std::int32_t operator*() const;

    // Steps over the character at the cursor; an unpaired surrogate counts as one unit.
    CharCursor& operator++();

    std::size_t index() const { return m_index; }
    bool atEnd() const { return m_index >= m_text->size(); }

    // Cursors are equal when they point into the same string object at the same index.
    bool operator==(const CharCursor& other) const = default;

private:
    const String* m_text;
    std::size_t m_index;
};

} // namespace Lang
