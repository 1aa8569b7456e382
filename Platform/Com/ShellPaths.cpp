// Path texts in the shell stand-in.
#include "Platform/Com/ShellPaths.h"

#include "Platform/PathText.h"

namespace Platform::Com {

std::optional<std::string> posixPathOf(BSTR text) {
    return toPosixPath(text != nullptr ? text : u"");
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace Platform::Com
