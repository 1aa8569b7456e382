// Fuzz target: the terminate handler's line for any exception message is one line of valid UTF-8
// without control characters.
#include "FuzzInput.h"

#include "app/UncaughtLine.h"

#include "Lang/Utf8.h"

namespace {

using Fuzz::require;

bool endsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A C0 control other than tab, DEL, or a C1 control (U+0080..U+009F, C2 80..C2 9F in UTF-8).
bool holdsControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            return true;
        if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string what = Fuzz::narrowTextOf(data, size);
    const std::string line = App::uncaughtLine(what.c_str());
    require(Lang::isValidUtf8(line), "line is not valid UTF-8");
    require(line.starts_with("zipfile: "), "line lacks its prefix");
    require(endsWith(line, "\n"), "line does not end with a line feed");
    require(!holdsControl(std::string_view(line).substr(0, line.size() - 1)),
            "control character in the line");
    return 0;
}
