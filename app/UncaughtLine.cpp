// The one line the tool writes when a failure ends it.
#include "app/UncaughtLine.h"

#include "Lang/StringCast.h"
#include "Lang/Utf8.h"

#include <algorithm>

namespace App {

namespace {

constexpr char16_t kFirstStandIn = 0xF001;
constexpr char16_t kLastStandIn = 0xF07F;
constexpr char16_t kStandInBase = 0xF000;

void dropTrailingLineEnd(Lang::String& text) {
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.pop_back();
}

char16_t reservedCharacter(char16_t unit) {
    return unit >= kFirstStandIn && unit <= kLastStandIn ? unit - kStandInBase : unit;
}

} // namespace

std::string uncaughtLine(const char* what) {
    Lang::String text = Xtl::string_cast<Lang::String>(std::string(what));
    // Stand-ins first: one for CR or LF at the end is a line end like any other.
    std::transform(text.begin(), text.end(), text.begin(), reservedCharacter);
    dropTrailingLineEnd(text);
    return "zipfile: " + Lang::toUtf8(text) + "\n";
}

} // namespace App
