// Tests of formatting into strings: 8-bit and 16-bit front-ends, short and long results.
#include "Lang/FormatString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string formatWith(const char* format, va_list arguments) {
    return Lang::formatString(format, arguments);
}

std::u16string formatWith(const char16_t* format, va_list arguments) {
    return Lang::formatWideString(format, arguments);
}

template <class CharT>
std::basic_string<CharT> formatted(const CharT* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::basic_string<CharT> text = formatWith(format, arguments);
    va_end(arguments);
    return text;
}

const std::string Long300(300, 'x');
const std::string Long1000(1000, 'y');

TEST(FormatString, NarrowResults) {
    const struct {
        std::string expected;
        std::string actual;
    } rows[] = {
        {"", formatted("")},
        {"no directives", formatted("no directives")},
        {"abcdef", formatted("%s%s", "abc", "def")},
        {"src(1) : f: Throwing X\r\n", formatted("%s%s", "src(1) : f", ": Throwing X\r\n")},
        {"7 items, ff", formatted("%d items, %x", 7, 255)},
        {"wide", formatted("%ls", u"wide")},
        {Long300, formatted("%s", Long300.c_str())},
        {Long1000, formatted("%s", Long1000.c_str())},
        {std::string(299, ' ') + "7", formatted("%300d", 7)},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.actual, r.expected);
    }
}

TEST(FormatString, WideResults) {
    const std::u16string wide300(Long300.begin(), Long300.end());
    const std::u16string wide1000(Long1000.begin(), Long1000.end());
    const struct {
        std::u16string expected;
        std::u16string actual;
    } rows[] = {
        {u"", formatted(u"")},
        {u"no directives", formatted(u"no directives")},
        {u"abcdef", formatted(u"%s%s", "abc", "def")},
        {u"loc\u00E9: Throwing X\r\n", formatted(u"%ls%ls", u"loc\u00E9", u": Throwing X\r\n")},
        {u"7 items, ff", formatted(u"%d items, %x", 7, 255)},
        {wide300, formatted(u"%ls", wide300.c_str())},
        {wide1000, formatted(u"%s", Long1000.c_str())},
        {std::u16string(299, u' ') + u"7", formatted(u"%300d", 7)},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.actual, r.expected);
    }
}

} // namespace
