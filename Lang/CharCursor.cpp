// Character cursor over UTF-16 text.
#include "Lang/CharCursor.h"

#include "Lang/Platform/Utf16.h"

namespace Lang {

std::int32_t CharCursor::operator*() const {
    const char16_t* unit = m_text->data() + m_index;
    return Platform::Utf16::toChar(unit, m_text->data() + m_text->size());
}

CharCursor& CharCursor::operator++() {
    const std::size_t used =
        Platform::Utf16::storageUsed(m_text->data() + m_index, m_text->data() + m_text->size());
    m_index += used == 0 ? 1 : used;
    return *this;
}

} // namespace Lang
