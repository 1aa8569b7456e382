// The one line the tool writes when a failure ends it.
#include "app/UncaughtLine.h"

#include "Lang/StringCast.h"
#include "Lang/Utf8.h"
#include "Platform/PathText.h"

#include <algorithm>

namespace App {

namespace {

// Line and paragraph separators end a line on some terminals too.
bool isLineEnd(char16_t unit) {
    return unit == u'\n' || unit == u'\r' || unit == u'\u2028' || unit == u'\u2029';
}

void dropTrailingLineEnd(Lang::String& text) {
    while (!text.empty() && isLineEnd(text.back()))
        text.pop_back();
}

// Every stand-in is one unit, and so is what it stands for.
char16_t standsFor(char16_t unit) {
    return static_cast<char16_t>(Platform::fromStandIn(unit));
}

bool isControl(char16_t unit) {
    return (unit < 0x20 && unit != u'\t') || (unit >= 0x7F && unit <= 0x9F);
}

// A line end inside the message (a name may hold one) would split the line: each run of them becomes
// one space. Other control characters would drive the terminal: each becomes a question mark.
Lang::String oneLine(const Lang::String& text) {
    Lang::String line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isLineEnd(text[i])) {
            if (i == 0 || !isLineEnd(text[i - 1]))
                line += u' ';
        } else {
            line += isControl(text[i]) ? u'?' : text[i];
        }
    }
    return line;
}

} // namespace

std::string uncaughtLine(const char* what) {
    Lang::String text = Xtl::string_cast<Lang::String>(std::string(what));
    // Stand-ins first: one for CR or LF at the end is a line end like any other.
    std::transform(text.begin(), text.end(), text.begin(), standsFor);
    dropTrailingLineEnd(text);
    return "zipfile: " + Lang::toUtf8(oneLine(text)) + "\n";
}

} // namespace App
