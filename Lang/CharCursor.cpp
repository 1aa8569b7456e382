// Character cursor over UTF-16 text.
#include "Lang/CharCursor.h"

#include "Lang/Platform/Utf16.h"
#include "Lang/StringUnits.h"

namespace Lang {

std::int32_t CharCursor::operator*() const {
    UnitRange units = unitsFrom(*m_text, m_index, "Lang::Platform::Utf16::toChar");
    return Platform::Utf16::toChar(units.first, units.end);
}

CharCursor& CharCursor::operator++() {
    const UnitRange units = unitsFrom(*m_text, m_index, "Lang::Platform::Utf16::storageUsed");
    const std::size_t used = Platform::Utf16::storageUsed(units.first, units.end);
    m_index += used == 0 ? 1 : used;
    return *this;
}

} // namespace Lang
