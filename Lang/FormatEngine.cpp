// The format engine's directive grammar and conversions, instantiated for 8-bit and 16-bit text.
#include "Lang/FormatEngine.h"

#include "Lang/FloatConversion.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <type_traits>

// Choices where the grammar leaves room:
// - A zero value writes its digit whatever the width, also a width of 0 given through '*'.
// - A negative precision given through '*' means no precision.
// - The magnitude of a negative value is computed unsigned, so the most negative 64-bit value
//   writes -9223372036854775808.
// - 'p' takes a pointer argument and writes its low 32 bits as 8 hexadecimal digits: the
//   system's pointers are 32 bits, and the text keeps that shape here.
// - Width and precision digits stop growing at INT_MAX; a '*' width of INT_MIN reads as INT_MAX,
//   left-aligned.
// - With a precision, 's' reads no further than the precision, unless right-aligned padding
//   needs the string's full length.
// Arguments must match the directives in type and number; a null pointer is accepted only for 's'.

namespace Lang::Private {
namespace {

// What tells the twins apart: how a string of the other kind becomes output characters. 'c' keeps
// the low bits that fit the character type, 'n' counts output characters, and only units in
// ' '..'z' can be directive characters; those follow from the character type alone.
template <class CharT>
struct FormatTraits;

template <>
struct FormatTraits<char> {
    // The low byte of a 16-bit unit; no code-page conversion.
    static char fromOtherKind(char16_t unit) { return static_cast<char>(unit); }
};

template <>
struct FormatTraits<char16_t> {
    // A byte read as a signed 8-bit value: 0xE9 becomes 0xFFE9; no code-page conversion.
    static char16_t fromOtherKind(char c) { return static_cast<char16_t>(static_cast<signed char>(c)); }
};

template <class CharT>
unsigned unitCode(CharT c) {
    return static_cast<std::make_unsigned_t<CharT>>(c);
}

template <class CharT>
const CharT* endOfLiteral(const CharT* text) {
    while (*text != 0 && *text != '%') {
        ++text;
    }
    return text;
}

template <class CharT>
bool isDigit(CharT c) {
    return c >= '0' && c <= '9';
}

// value × 10 + digit, held at INT_MAX instead of overflowing.
int appendDecimalDigit(int value, unsigned digit) {
    const int addend = static_cast<int>(digit);
    if (value > (INT_MAX - addend) / 10) {
        return INT_MAX;
    }
    return value * 10 + addend;
}

// Length of `text`, reading at most `limit` characters.
template <class SourceChar>
std::size_t lengthUpTo(const SourceChar* text, std::size_t limit) {
    const SourceChar* zero = std::char_traits<SourceChar>::find(text, limit, SourceChar{});
    return zero != nullptr ? static_cast<std::size_t>(zero - text) : limit;
}

constexpr std::size_t MaxDigits = 22; // octal digits of a 64-bit value

// The digits of a value, produced least significant first into the end of a zeroed area.
struct Digits {
    std::array<char, MaxDigits> area{};
    std::size_t first = MaxDigits;

    std::string_view text() const { return {area.data() + first, MaxDigits - first}; }
};

template <unsigned Base>
Digits digitsOf(std::uint64_t value, bool upperCase = false) {
    const char* alphabet = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    Digits digits;
    do {
        digits.area[--digits.first] = alphabet[value % Base];
        value /= Base;
    } while (value != 0);
    return digits;
}

std::string_view signOf(std::int64_t value, bool plusSign, bool spaceSign) {
    if (value < 0) {
        return "-";
    }
    if (value > 0 && plusSign) {
        return "+";
    }
    return spaceSign ? " " : "";
}

// A zero value writes one '0' of its own (not counted as a digit); '#' adds the '0' prefix.
std::string_view octalLead(bool isZero, bool alternateForm) {
    if (isZero) {
        return alternateForm ? "00" : "0";
    }
    return alternateForm ? "0" : "";
}

template <class CharT>
bool applyFlag(FormatDirective<CharT>& directive, unsigned code) {
    switch (code) {
    case '-':
        directive.leftAlign = true;
        return true;
    case '+':
        directive.plusSign = true;
        return true;
    case ' ':
        directive.spaceSign = true;
        return true;
    case '#':
        directive.alternateForm = true;
        return true;
    default:
        return false;
    }
}

// 'h' and 'l' step further when repeated: hh is char, ll is 64-bit.
template <class CharT>
bool applyLengthClass(FormatDirective<CharT>& directive, unsigned code) {
    using enum FormatLengthClass;
    FormatLengthClass& current = directive.lengthClass;
    switch (code) {
    case 'h':
        current = current == Short ? Char : Short;
        return true;
    case 'l':
        current = current == Long ? Int64 : Long;
        return true;
    case 'L':
    case 'j':
        current = Int64;
        return true;
    case 't':
    case 'z':
        current = Int;
        return true;
    case 'w':
        current = Long;
        return true;
    default:
        return false;
    }
}

// How many characters `length` falls short of the width.
template <class CharT>
std::size_t shortfall(const FormatDirective<CharT>& directive, std::size_t length) {
    const auto width = static_cast<std::size_t>(std::max(directive.width, 0));
    return width > length ? width - length : 0;
}

unsigned bitsOf(FormatLengthClass lengthClass) {
    constexpr std::array<unsigned, 5> bits = {8, 16, 32, 32, 64};
    return bits[static_cast<std::size_t>(lengthClass)];
}

std::int64_t signExtend(std::uint64_t value, unsigned bits) {
    const unsigned shift = 64 - bits;
    return static_cast<std::int64_t>(value << shift) >> shift;
}

} // namespace

template <class CharT>
FormatEngine<CharT>::FormatEngine(std::vector<CharT>& buffer, va_list arguments) : m_output(buffer) {
    m_scratch.reserve(50);
    va_copy(m_arguments, arguments);
}

template <class CharT>
FormatEngine<CharT>::~FormatEngine() {
    va_end(m_arguments);
}

template <class CharT>
void FormatEngine<CharT>::run(const CharT* format) {
    const CharT* cursor = format;
    while (*cursor != 0) {
        if (*cursor == '%') {
            cursor = processDirective(cursor);
            continue;
        }
        const CharT* literalEnd = endOfLiteral(cursor);
        m_output.write(cursor, static_cast<std::size_t>(literalEnd - cursor));
        cursor = literalEnd;
    }
}

// Returns where scanning continues: after the character that ended the directive, or at the
// format's end.
template <class CharT>
const CharT* FormatEngine<CharT>::processDirective(const CharT* percent) {
    Directive directive;
    const CharT* cursor = percent + 1;
    while (applyModifier(directive, cursor)) {
    }
    if (convert(directive, *cursor)) {
        return cursor + 1;
    }
    // An unrecognised character, or the format's end: the directive's text so far stands as is.
    m_output.write(percent, static_cast<std::size_t>(cursor - percent));
    return *cursor == 0 ? cursor : cursor + 1;
}

// Flags, width, precision and length in any order; false when `cursor` is at something else.
template <class CharT>
bool FormatEngine<CharT>::applyModifier(Directive& directive, const CharT*& cursor) {
    const unsigned code = unitCode(*cursor);
    if (code == '.') {
        cursor = readPrecision(directive, cursor + 1);
        return true;
    }
    if (!applyFlag(directive, code) && !applyWidth(directive, code) && !applyLengthClass(directive, code)) {
        return false;
    }
    ++cursor;
    return true;
}

// The digits after '.', or a '*' that takes the precision from the arguments and ends the run.
template <class CharT>
const CharT* FormatEngine<CharT>::readPrecision(Directive& directive, const CharT* cursor) {
    directive.precision = 0;
    for (; isDigit(*cursor); ++cursor) {
        directive.precision = appendDecimalDigit(directive.precision, unitCode(*cursor) - '0');
    }
    if (*cursor != '*') {
        return cursor;
    }
    const int precision = va_arg(m_arguments, int);
    directive.precision = precision < 0 ? -1 : precision;
    return cursor + 1;
}

// A width digit continues the width read so far, also after flags or a precision; a '0' that
// comes first selects zero padding instead. '*' takes the width from the arguments, a negative
// one meaning left-aligned.
template <class CharT>
bool FormatEngine<CharT>::applyWidth(Directive& directive, unsigned code) {
    if (code == '0' && directive.width == -1) {
        directive.padChar = '0';
        return true;
    }
    if (code >= '0' && code <= '9') {
        directive.width = appendDecimalDigit(std::max(directive.width, 0), code - '0');
        return true;
    }
    if (code != '*') {
        return false;
    }
    const int width = va_arg(m_arguments, int);
    directive.leftAlign = directive.leftAlign || width < 0;
    directive.width = width == INT_MIN ? INT_MAX : std::abs(width);
    return true;
}

// Runs the conversion named by `conversion`; false when it names none.
template <class CharT>
bool FormatEngine<CharT>::convert(Directive& directive, CharT conversion) {
    switch (const unsigned code = unitCode(conversion)) {
    case 'd':
    case 'i':
        convertSigned(directive);
        return true;
    case 'u':
        convertUnsigned(directive);
        return true;
    case 'o':
        convertOctal(directive);
        return true;
    case 'x':
        convertHex(directive, fetchUnsigned(directive.lengthClass), false);
        return true;
    case 'X':
        convertHex(directive, fetchUnsigned(directive.lengthClass), true);
        return true;
    case 'p':
        convertPointer(directive);
        return true;
    case 'e':
    case 'f':
    case 'g':
    case 'a':
        convertFloat(directive, static_cast<char>(code), false);
        return true;
    case 'E':
    case 'F':
    case 'G':
    case 'A':
        convertFloat(directive, static_cast<char>(code - 'A' + 'a'), true);
        return true;
    case 'c':
        convertChar(directive);
        return true;
    case 's':
        convertString(directive);
        return true;
    case 'n':
        storeCount();
        return true;
    case '%':
        m_output.put('%');
        return true;
    default:
        return false;
    }
}

// The argument narrowed to its class's size and zero-extended.
template <class CharT>
std::uint64_t FormatEngine<CharT>::fetchUnsigned(FormatLengthClass lengthClass) {
    if (lengthClass == FormatLengthClass::Int64) {
        return va_arg(m_arguments, std::uint64_t);
    }
    const auto value = static_cast<std::uint32_t>(va_arg(m_arguments, int));
    return value & (UINT64_MAX >> (64 - bitsOf(lengthClass)));
}

template <class CharT>
std::int64_t FormatEngine<CharT>::fetchSigned(FormatLengthClass lengthClass) {
    return signExtend(fetchUnsigned(lengthClass), bitsOf(lengthClass));
}

template <class CharT>
void FormatEngine<CharT>::convertSigned(const Directive& directive) {
    const std::int64_t value = fetchSigned(directive.lengthClass);
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    appendNumber(directive, signOf(value, directive.plusSign, directive.spaceSign),
                 digitsOf<10>(magnitude).text());
}

template <class CharT>
void FormatEngine<CharT>::convertUnsigned(const Directive& directive) {
    appendNumber(directive, "", digitsOf<10>(fetchUnsigned(directive.lengthClass)).text());
}

template <class CharT>
void FormatEngine<CharT>::convertOctal(const Directive& directive) {
    const std::uint64_t value = fetchUnsigned(directive.lengthClass);
    const Digits digits = value == 0 ? Digits{} : digitsOf<8>(value);
    appendNumber(directive, octalLead(value == 0, directive.alternateForm), digits.text());
}

template <class CharT>
void FormatEngine<CharT>::convertHex(const Directive& directive, std::uint64_t value, bool upperCase) {
    std::string_view prefix;
    if (directive.alternateForm) {
        prefix = upperCase ? "0X" : "0x";
    }
    appendNumber(directive, prefix, digitsOf<16>(value, upperCase).text());
}

template <class CharT>
void FormatEngine<CharT>::convertPointer(Directive& directive) {
    const auto address = reinterpret_cast<std::uintptr_t>(va_arg(m_arguments, void*));
    directive.precision = 8;
    convertHex(directive, static_cast<std::uint32_t>(address), true);
}

template <class CharT>
void FormatEngine<CharT>::convertFloat(const Directive& directive, char conversion, bool upperCase) {
    const FloatOptions options{.conversion = conversion,
                               .upperCase = upperCase,
                               .precision = directive.precision,
                               .alternateForm = directive.alternateForm,
                               .plusSign = directive.plusSign,
                               .spaceSign = directive.spaceSign};
    appendFloat(m_scratch, options, va_arg(m_arguments, double));
    writeScratch(directive);
}

template <class CharT>
void FormatEngine<CharT>::convertChar(const Directive& directive) {
    const auto c = static_cast<CharT>(va_arg(m_arguments, int));
    writeLeadingPad(directive, 1);
    m_output.put(c);
    writeTrailingPad(directive, 1);
}

template <class CharT>
void FormatEngine<CharT>::convertString(const Directive& directive) {
    if (directive.lengthClass == FormatLengthClass::Long) {
        writeString(directive, va_arg(m_arguments, const char16_t*));
    } else {
        writeString(directive, va_arg(m_arguments, const char*));
    }
}

// Right-aligned padding counts the string's full length; left-aligned padding the characters taken.
template <class CharT>
template <class SourceChar>
void FormatEngine<CharT>::writeString(const Directive& directive, const SourceChar* text) {
    static constexpr SourceChar empty[] = {0};
    const SourceChar* source = text != nullptr ? text : empty;
    const std::size_t limit =
        directive.precision < 0 ? SIZE_MAX : static_cast<std::size_t>(directive.precision);
    std::size_t taken = 0;
    if (directive.precision < 0 || (!directive.leftAlign && directive.width > 0)) {
        const std::size_t length = std::char_traits<SourceChar>::length(source);
        writeLeadingPad(directive, length);
        taken = std::min(length, limit);
    } else {
        taken = lengthUpTo(source, limit);
    }
    if constexpr (std::is_same_v<SourceChar, CharT>) {
        m_output.write(source, taken);
    } else {
        m_output.write(source, taken, FormatTraits<CharT>::fromOtherKind);
    }
    writeTrailingPad(directive, taken);
}

template <class CharT>
void FormatEngine<CharT>::storeCount() {
    *va_arg(m_arguments, int*) = static_cast<int>(m_output.position());
}

// Scratch text = lead (sign or prefix), zeros up to the precision, digits; then padded.
template <class CharT>
void FormatEngine<CharT>::appendNumber(const Directive& directive, std::string_view lead,
                                       std::string_view digits) {
    m_scratch.append(lead.begin(), lead.end());
    if (directive.precision > 0 && digits.size() < static_cast<std::size_t>(directive.precision)) {
        m_scratch.append(static_cast<std::size_t>(directive.precision) - digits.size(), '0');
    }
    m_scratch.append(digits.begin(), digits.end());
    writeScratch(directive);
}

template <class CharT>
void FormatEngine<CharT>::writeScratch(const Directive& directive) {
    writeLeadingPad(directive, m_scratch.size());
    m_output.write(m_scratch.data(), m_scratch.size());
    writeTrailingPad(directive, m_scratch.size());
    m_scratch.clear();
}

// Pad characters before a text of `length` characters that is right-aligned in a wider field.
template <class CharT>
void FormatEngine<CharT>::writeLeadingPad(const Directive& directive, std::size_t length) {
    if (!directive.leftAlign) {
        m_output.repeat(directive.padChar, shortfall(directive, length));
    }
}

// Spaces after a left-aligned text: the '0' flag never pads on the right.
template <class CharT>
void FormatEngine<CharT>::writeTrailingPad(const Directive& directive, std::size_t length) {
    if (directive.leftAlign) {
        m_output.repeat(' ', shortfall(directive, length));
    }
}

template class FormatEngine<char>;
template class FormatEngine<char16_t>;

} // namespace Lang::Private
