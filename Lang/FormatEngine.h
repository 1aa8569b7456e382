// The printf-style format engine, written once over the character type (8-bit and 16-bit text).
#pragma once

#include "Lang/FormatOutput.h"

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Lang::Private {

// Argument size of the integer conversions; Long also selects a 16-bit string for 's'.
enum class FormatLengthClass { Char, Short, Int, Long, Int64 };

// What the characters between '%' and the conversion character asked for.
template <class CharT>
struct FormatDirective {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternateForm = false;
    FormatLengthClass lengthClass = FormatLengthClass::Int;
    CharT padChar = ' ';
    int width = -1;     // -1: none
    int precision = -1; // -1: none
};

// One formatting call: reads the format left to right, takes one argument per '*' and per
// conversion that needs a value, and writes the text into the caller's buffer.
template <class CharT>
class FormatEngine {
public:
    FormatEngine(std::vector<CharT>& buffer, va_list arguments);
    ~FormatEngine();
    FormatEngine(const FormatEngine&) = delete;
    FormatEngine& operator=(const FormatEngine&) = delete;

    // Formats the zero-terminated `format`.
    void run(const CharT* format);

private:
    using Directive = FormatDirective<CharT>;

    const CharT* processDirective(const CharT* percent);
    bool applyModifier(Directive& directive, const CharT*& cursor);
    const CharT* readPrecision(Directive& directive, const CharT* cursor);
    bool applyWidth(Directive& directive, unsigned code);
    bool convert(Directive& directive, CharT conversion);

    std::uint64_t fetchUnsigned(FormatLengthClass lengthClass);
    std::int64_t fetchSigned(FormatLengthClass lengthClass);

    void convertSigned(const Directive& directive);
    void convertUnsigned(const Directive& directive);
    void convertOctal(const Directive& directive);
    void convertHex(const Directive& directive, std::uint64_t value, bool upperCase);
    void convertPointer(Directive& directive);
    void convertFloat(const Directive& directive, char conversion, bool upperCase);
    void convertChar(const Directive& directive);
    void convertString(const Directive& directive);
    template <class SourceChar>
    void writeString(const Directive& directive, const SourceChar* text);
    void storeCount();

    void appendNumber(const Directive& directive, std::string_view lead, std::string_view digits);
    void writeScratch(const Directive& directive);
    void writeLeadingPad(const Directive& directive, std::size_t length);
    void writeTrailingPad(const Directive& directive, std::size_t length);

    FormatOutput<CharT> m_output;
    std::basic_string<CharT> m_scratch; // a conversion's text before padding
    va_list m_arguments;
};

extern template class FormatEngine<char>;
extern template class FormatEngine<char16_t>;

} // namespace Lang::Private
