// Conversions between UTF-16 text and Windows-1252 text with character references.
#include "Lang/StringCast.h"

#include "Lang/Platform/Utf16.h"
#include "Lang/Platform/Windows1252.h"

#include <array>
#include <cstddef>

namespace Xtl {

namespace {

// Room for the longest encoding of one character: "&#x" + seven hex digits + ";", or a surrogate pair.
template <class Encoder>
constexpr std::ptrdiff_t kScratchSize = 0;
template <>
constexpr std::ptrdiff_t kScratchSize<Lang::Platform::Windows1252> = 11;
template <>
constexpr std::ptrdiff_t kScratchSize<Lang::Platform::Utf16> = 2;

// Decodes `source` character by character and encodes each into a scratch window of its own. The
// windows lie in a block on the stack that is appended to the result whenever it fills up.
template <class Decoder, class Encoder, class Target, class Source>
Target transcode(const Source& source) {
    using Unit = typename Target::value_type;
    constexpr std::ptrdiff_t scratchSize = kScratchSize<Encoder>;
    std::array<Unit, 1024> block;
    Target target;
    target.reserve(source.size());
    Unit* out = block.data();
    const auto* end = source.data() + source.size();
    for (const auto* cursor = source.data(); cursor != end;) {
        if (block.data() + block.size() - out < scratchSize) {
            target.append(block.data(), out);
            out = block.data();
        }
        out = Encoder::toStorage(Decoder::toChar(cursor, end), out, out + scratchSize);
    }
    target.append(block.data(), out);
    return target;
}

} // namespace

template <>
Lang::String string_cast<Lang::String, Lang::String>(const Lang::String& source) {
    return source;
}

template <>
std::string string_cast<std::string, Lang::String>(const Lang::String& source) {
    return transcode<Lang::Platform::Utf16, Lang::Platform::Windows1252, std::string>(source);
}

template <>
Lang::String string_cast<Lang::String, std::string>(const std::string& source) {
    return transcode<Lang::Platform::Windows1252, Lang::Platform::Utf16, Lang::String>(source);
}

} // namespace Xtl
