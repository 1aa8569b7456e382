// Whether the ".." steps of a command-line word lead where the file system would take them.
#pragma once

#include <string>

namespace App {

// The path rules apply ".." to the text: "b/../f" is "f". The file system applies it to what the name
// before it is: after a symbolic link the step leads to the link's target's parent, and after a name
// that is missing, or not a folder, it leads nowhere. True when, at every "..", the name before it
// (resolved as the text says) is a folder and not a link, so both resolutions name the same file. A
// relative word is taken under the working directory, which then must be readable. `word` is UTF-8
// as typed; '/' and '\' both separate, as in the path rules.
bool parentStepsAgree(const std::string& word);

} // namespace App
