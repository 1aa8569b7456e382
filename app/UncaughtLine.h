// The one line the tool writes when a failure ends it.
#pragma once

#include <string>

namespace App {

// "zipfile: " + `what` + "\n" in UTF-8. `what` is narrow text (Windows-1252 with character
// references); the private-use characters that stand for names' reserved characters
// (U+F001..U+F07F) are shown as those characters, and then trailing CR and LF are dropped.
std::string uncaughtLine(const char* what);

} // namespace App
