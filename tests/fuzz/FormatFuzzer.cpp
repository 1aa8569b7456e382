// Fuzz target: both format engines over arbitrary formats, each given exactly the arguments its
// directives take.
#include "FuzzInput.h"

#include "Lang/Format.h"
#include "Lang/FormatString.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

using Fuzz::require;

// Directives beyond this many arguments are not tried: each argument list is a template instance.
constexpr std::size_t MaxArguments = 4;
// Field widths and precisions beyond this only make the run slow.
constexpr int MaxField = 4096;

enum class Kind { Field, Int, Char, Int64, Double, Narrow, Wide, Pointer, Count };

// The engine's length classes: 'h' and 'l' step further when repeated.
enum class LengthClass { Char, Short, Int, Long, Int64 };

LengthClass nextLengthClass(LengthClass current, char c) {
    switch (c) {
    case 'h':
        return current == LengthClass::Short ? LengthClass::Char : LengthClass::Short;
    case 'l':
        return current == LengthClass::Long ? LengthClass::Int64 : LengthClass::Long;
    case 'L':
    case 'j':
        return LengthClass::Int64;
    case 'w':
        return LengthClass::Long;
    default:
        return LengthClass::Int;
    }
}

// The kinds of argument the directives of `format` take, in order, mirroring the engine's grammar;
// false when a field is too wide or there are too many arguments.
class FormatPlan {
public:
    explicit FormatPlan(const std::string& format) {
        for (std::size_t i = 0; i < format.size() && m_usable;)
            i = format[i] == '%' ? readDirective(format, i + 1) : i + 1;
        m_usable = m_usable && m_kinds.size() <= MaxArguments;
    }

    bool usable() const { return m_usable; }
    const std::vector<Kind>& kinds() const { return m_kinds; }

private:
    std::size_t readDirective(const std::string& format, std::size_t i) {
        int width = -1;
        LengthClass lengthClass = LengthClass::Int;
        for (; i < format.size(); ++i) {
            const char c = format[i];
            if (c == '.') {
                i = readPrecision(format, i + 1) - 1;
            } else if (c >= '0' && c <= '9') {
                width = c == '0' && width == -1 ? width : std::max(width, 0) * 10 + (c - '0');
                m_usable = m_usable && width <= MaxField;
                if (!m_usable)
                    return format.size();
            } else if (c == '*') {
                // Digits after a '*' continue a width only known at run time: treat it as the largest.
                m_kinds.push_back(Kind::Field);
                width = MaxField;
            } else if (std::strchr("hlLjtzw", c) != nullptr) {
                lengthClass = nextLengthClass(lengthClass, c);
            } else if (std::strchr("-+ #", c) == nullptr) {
                addConversion(c, lengthClass);
                return i + 1;
            }
        }
        return i;
    }

    std::size_t readPrecision(const std::string& format, std::size_t i) {
        int precision = 0;
        for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
            precision = precision * 10 + (format[i] - '0');
            m_usable = m_usable && precision <= MaxField;
            if (!m_usable)
                return format.size();
        }
        if (i < format.size() && format[i] == '*') {
            m_kinds.push_back(Kind::Field);
            return i + 1;
        }
        return i;
    }

    void addConversion(char c, LengthClass lengthClass) {
        if (std::strchr("diuoxX", c) != nullptr)
            m_kinds.push_back(lengthClass == LengthClass::Int64 ? Kind::Int64 : Kind::Int);
        else if (std::strchr("eEfFgGaA", c) != nullptr)
            m_kinds.push_back(Kind::Double);
        else if (c == 'c')
            m_kinds.push_back(Kind::Char);
        else if (c == 's')
            m_kinds.push_back(lengthClass == LengthClass::Long ? Kind::Wide : Kind::Narrow);
        else if (c == 'p')
            m_kinds.push_back(Kind::Pointer);
        else if (c == 'n')
            m_kinds.push_back(Kind::Count);
    }

    std::vector<Kind> m_kinds;
    bool m_usable = true;
};

// Argument values read from the bytes after the format; zeros once they run out.
class ValueSource {
public:
    ValueSource(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    template <class T>
    T next() {
        T value{};
        const std::size_t taken = std::min(sizeof value, m_size - m_used);
        std::memcpy(&value, m_data + m_used, taken);
        m_used += taken;
        return value;
    }

    std::string nextString() {
        const std::size_t length = std::min<std::size_t>(next<std::uint8_t>() % 32, m_size - m_used);
        std::string text(reinterpret_cast<const char*>(m_data + m_used), length);
        m_used += length;
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_used = 0;
};

// Runs the engine into `buffer` and the string front-end on the same arguments.
template <class CharT>
std::basic_string<CharT> formatBoth(void (*engine)(std::vector<CharT>&, const CharT*, va_list),
                                    std::basic_string<CharT> (*frontEnd)(const CharT*, va_list),
                                    std::vector<CharT>& buffer, const CharT* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    engine(buffer, format, copy);
    va_end(copy);
    return frontEnd(format, arguments);
}

std::string formatNarrow(std::vector<char>& buffer, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatBoth(Lang::formatIntoBuffer, Lang::formatString, buffer, format, arguments);
    va_end(arguments);
    return text;
}

std::u16string formatWide(std::vector<char16_t>& buffer, const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::u16string text =
        formatBoth(Lang::formatIntoWideBuffer, Lang::formatWideString, buffer, format, arguments);
    va_end(arguments);
    return text;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::u16string widened(const std::string& text) {
    return {text.begin(), text.end()};
}

// The argument values for one run, kept alive while both engines read them.
struct Run {
    std::string format;
    std::deque<std::string> narrowStrings;
    std::deque<std::u16string> wideStrings;
    std::array<int, MaxArguments> counts{};
    std::size_t countsUsed = 0;
    bool asciiOnly = true;
};

// The engine's text ends at its buffer's first zero cell, and the string front-end returns it.
template <class CharT>
void requireComplete(const std::vector<CharT>& buffer, const std::basic_string<CharT>& text) {
    const auto zero = std::find(buffer.begin(), buffer.end(), CharT{});
    require(zero != buffer.end(), "engine output is not zero-terminated");
    require(std::basic_string<CharT>(buffer.begin(), zero) == text,
            "front-end text differs from the engine's");
}

template <class... Args>
void runEngines(Run& run, Args... arguments) {
    std::vector<char> narrowBuffer(1);
    const std::string narrow = formatNarrow(narrowBuffer, run.format.c_str(), arguments...);
    requireComplete(narrowBuffer, narrow);
    require(run.format.find('%') != std::string::npos || narrow == run.format, "literal text changed");
    const std::array<int, MaxArguments> narrowCounts = run.counts;
    const std::u16string wideFormat = widened(run.format);
    std::vector<char16_t> wideBuffer(1);
    const std::u16string wide = formatWide(wideBuffer, wideFormat.c_str(), arguments...);
    requireComplete(wideBuffer, wide);
    for (std::size_t i = 0; i < run.countsUsed; ++i)
        require(run.counts[i] >= 0 && narrowCounts[i] >= 0, "negative count");
    if (!run.asciiOnly)
        return;
    require(wide == widened(narrow), "the engines disagree on ASCII text");
    require(run.counts == narrowCounts, "the engines count differently");
}

template <class... Args>
void supply(Run& run, ValueSource& values, const std::vector<Kind>& kinds, Args... arguments) {
    if constexpr (sizeof...(Args) < MaxArguments) {
        if (sizeof...(Args) < kinds.size()) {
            switch (kinds[sizeof...(Args)]) {
            case Kind::Field:
                return supply(run, values, kinds, arguments..., values.next<int>() % (MaxField + 1));
            case Kind::Int:
                return supply(run, values, kinds, arguments..., values.next<int>());
            case Kind::Char: {
                const int c = values.next<std::int16_t>();
                run.asciiOnly = run.asciiOnly && c >= 0 && c < 0x80;
                return supply(run, values, kinds, arguments..., c);
            }
            case Kind::Int64:
                return supply(run, values, kinds, arguments..., values.next<std::int64_t>());
            case Kind::Double:
                return supply(run, values, kinds, arguments..., values.next<double>());
            case Kind::Pointer:
                return supply(run, values, kinds, arguments...,
                              reinterpret_cast<void*>(values.next<std::uintptr_t>()));
            case Kind::Count:
                return supply(run, values, kinds, arguments..., &run.counts[run.countsUsed++]);
            case Kind::Narrow: {
                const std::string& text = run.narrowStrings.emplace_back(values.nextString());
                run.asciiOnly = run.asciiOnly && isAscii(text);
                return supply(run, values, kinds, arguments..., text.c_str());
            }
            case Kind::Wide: {
                const std::string text = values.nextString();
                run.asciiOnly = run.asciiOnly && isAscii(text);
                return supply(run, values, kinds, arguments...,
                              run.wideStrings.emplace_back(widened(text)).c_str());
            }
            }
        }
    }
    runEngines(run, arguments...);
}

} // namespace

// Input: the format up to the first zero byte, then the bytes the argument values are read from.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    const std::size_t formatSize = zero != nullptr ? static_cast<std::size_t>(zero - data) : size;
    Run run;
    run.format = Fuzz::narrowTextOf(data, formatSize);
    run.asciiOnly = isAscii(run.format);
    const FormatPlan plan(run.format);
    if (!plan.usable())
        return 0;
    const std::size_t valuesStart = std::min(formatSize + 1, size);
    ValueSource values(data + valuesStart, size - valuesStart);
    try {
        supply(run, values, plan.kinds());
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return 0;
}
