// Fuzz target: the terminate handler's line for any exception message is one line of valid UTF-8.
#include "FuzzInput.h"

#include "app/UncaughtLine.h"

#include "Lang/Utf8.h"

namespace {

using Fuzz::require;

bool endsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string what = Fuzz::narrowTextOf(data, size);
    const std::string line = App::uncaughtLine(what.c_str());
    require(Lang::isValidUtf8(line), "line is not valid UTF-8");
    require(line.starts_with("zipfile: "), "line lacks its prefix");
    require(endsWith(line, "\n"), "line does not end with a line feed");
    require(!endsWith(line, "\n\n") && !endsWith(line, "\r\n"), "line ends with more than one line end");
    return 0;
}
