// A file-system path held in normal form, with the length and kind of its root.
//
// A path is UTF-16 text: an optional root followed by components. The root is none (a relative path),
// "\" (the root of the current drive), a drive "C:\" or a UNC root "\\server\share\". Backslash and
// forward slash both separate components; the stored text uses backslashes only. Normalisation drops
// "." components, lets ".." remove the component before it (never the root, never a kept ".."), keeps
// empty components ("a\\b") and drops one trailing separator after the root. A UNC root naming only a
// server ("\\server") has no closing backslash: the separator after it counts as the root's own, so a
// ".." right after it is kept. Names may not hold the traits' forbidden characters, "..." or ".."
// followed by more characters; letter case is kept.
// Text that cannot be normalised never becomes a path: the operations throw Exception and leave the
// path as it was.
#pragma once

#include "Lang/Exception.h"
#include "Lang/String.h"
#include "System/RootKind.h"

#include <cstddef>
#include <string>

namespace System {

template <class TraitsT>
class BasicPath {
public:
    using RootKind = System::RootKind;

    // A path text that cannot be parsed or combined; the message ends with the path between quotes.
    class Exception : public Lang::Exception {
    public:
        Exception(const std::string& message, const Lang::String& path,
                  const std::string& location = std::string());
        Exception(const Lang::String& message, const Lang::String& path, const Lang::String& location);
    };

    // The empty path: no text, no root.
    BasicPath() = default;

    // Trims white space and one quote mark (" or ') at each end, then normalises the text.
    BasicPath(const Lang::String& text);

    Lang::String toString() const { return m_pathString; }
    const Lang::String& str() const { return m_pathString; }
    std::size_t getRootLength() const { return m_rootLength; }
    RootKind getRootKind() const { return m_rootKind; }

    // The root alone; the empty path for a relative path.
    BasicPath getRoot() const;
    // Everything before the last backslash, but never less than the root.
    BasicPath getParent() const;
    // Everything after the last backslash and after the root.
    BasicPath getFileName() const;

    // Puts this path under `root`: a relative path is joined to it, a rooted one has its root replaced.
    void setRoot(const BasicPath& root);
    // Puts this path's file name under `parent`, dropping the directories before it. An empty path
    // has no file name to move and fails with the codec's std::range_error.
    void setParent(const BasicPath& parent);
    // Joins `tail` to the text with one separator between them and normalises what follows the root,
    // which the path keeps. On the empty path, `tail` is parsed as a path of its own.
    void append(const Lang::String& tail);

    // Joins two path texts with one backslash at the seam and normalises the result; an empty text
    // gives the other unchanged.
    static Lang::String joinPathStrings(Lang::String a, Lang::String b);

private:
    BasicPath(Lang::String text, std::size_t rootLength, RootKind rootKind);
    std::size_t lastSeparatorAfterRoot() const;
    std::size_t fileNameStart() const;

    Lang::String m_pathString;
    std::size_t m_rootLength = 0;
    RootKind m_rootKind = Relative;
};

// A copy of `path` with `tail` appended.
template <class TraitsT>
BasicPath<TraitsT> operator/(const BasicPath<TraitsT>& path, const Lang::String& tail) {
    BasicPath<TraitsT> result(path);
    result.append(tail);
    return result;
}

} // namespace System
