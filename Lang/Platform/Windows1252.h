// Windows-1252 codec made lossless: characters the code page lacks travel as "&#x...;" references.
//
// Bytes map to code points by the WHATWG windows-1252 index (the five unassigned bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D stand for the C1 controls of the same value). The encoder writes anything
// else as "&#x" upper-case hex ";"; the decoder reads such references back, and decimal ones too.
#pragma once

#include <cstdint>

namespace Lang::Platform {

struct Windows1252 {
    // Writes `codePoint` as one byte or as a character reference; returns the end of what was written.
    static char* toStorage(std::int32_t codePoint, char* out, char* end);

    // Decodes one byte, or a whole valid character reference, and moves `cursor` past it.
    static std::int32_t toChar(const char*& cursor, const char* end);
};

} // namespace Lang::Platform
