// The path string parser: recognises the root of path text and normalises the text in place.
#pragma once

#include "Lang/String.h"
#include "System/RootKind.h"

#include <cstddef>

namespace System::Private {

// Stateless; the operations rewrite `path` in place, and those that find the root report it through
// `rootLength` (code units) and the returned kind. After a throw, `path` is left partly rewritten.
template <class TraitsT>
class PathStringParser {
public:
    // Recognises the root at the start of `path`, writes its separators as backslashes and, for a bare
    // drive ("C:") or a UNC root that names a share without a closing separator, appends one. Throws the
    // path exception "Malformed Volume" for a drive letter and colon followed by anything but a separator.
    static RootKind findRoot(std::size_t& rootLength, Lang::String& path);

    // findRoot, then one pass over the rest: separators become backslashes, "." components are dropped,
    // ".." removes the component before it where there is one, and one trailing separator after the
    // root is dropped. Throws the path exception for "...", for ".." followed by other characters and
    // for forbidden characters; broken UTF-16 raises the decoder's std::invalid_argument.
    static RootKind processPathString(std::size_t& rootLength, Lang::String& path);

    // The pass of processPathString over the text after a root already known to take `rootLength`
    // units, which are left as they are; for text joined to a path whose root is to be kept.
    static void normaliseAfterRoot(std::size_t rootLength, Lang::String& path);

private:
    // The pass itself. It is part of processPathString however it is reached, and bears its name, so
    // that the errors it finds name processPathString.
    struct AfterRoot {};
    static void processPathString(AfterRoot, std::size_t rootLength, Lang::String& path);
};

} // namespace System::Private
