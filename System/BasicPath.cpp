// A file-system path held in normal form: construction, its parts and the ways to combine paths.
#include "System/BasicPath.h"

#include "Lang/Platform/Utf16.h"
#include "Lang/Quote.h"
#include "Lang/StringCast.h"
#include "System/Private/PathStringParser.h"
#include "System/Win32/PathTraits.h"

#include <utility>

namespace System {

namespace {

constexpr char16_t kBackslash = u'\\';

bool isQuote(char16_t unit) {
    return unit == u'"' || unit == u'\'';
}

// Drops one quote mark at each end, whether or not the two match; a lone quote mark leaves nothing.
void unquote(Lang::String& text) {
    if (text.size() > 1 && isQuote(text.back()))
        text.pop_back();
    if (!text.empty() && isQuote(text.front()))
        text.erase(0, 1);
}

bool endsWithBackslash(const Lang::String& text) {
    return !text.empty() && text.back() == kBackslash;
}

bool startsWithBackslash(const Lang::String& text) {
    return !text.empty() && text.front() == kBackslash;
}

// Whether text put in front of another needs a backslash to separate the two.
bool needsSeparatorAfter(const Lang::String& text) {
    return !text.empty() && text.back() != kBackslash;
}

// Two non-empty texts with one backslash at the seam: one of two backslashes meeting there is dropped.
Lang::String joinedAtSeam(Lang::String a, Lang::String b) {
    if (endsWithBackslash(a) && startsWithBackslash(b))
        b.erase(0, 1);
    else if (!endsWithBackslash(a) && !startsWithBackslash(b))
        a += kBackslash;
    return a + b;
}

// An empty text holds no character to work on; the codec's range check reports it as for any empty range.
void requireText(const Lang::String& text) {
    Lang::Platform::Utf16::getIndex(text.data(), text.data() + text.size(), 1);
}

} // namespace

template <class TraitsT>
BasicPath<TraitsT>::Exception::Exception(const std::string& message, const Lang::String& path,
                                         const std::string& location)
    : Lang::Exception(message + ": in path string " + Lang::quote(Xtl::string_cast<std::string>(path), '"'),
                      location) {}

template <class TraitsT>
BasicPath<TraitsT>::Exception::Exception(const Lang::String& message, const Lang::String& path,
                                         const Lang::String& location)
    : Lang::Exception(message + u": in path string " + Lang::quote(path, u'"'), location) {}

template <class TraitsT>
BasicPath<TraitsT>::BasicPath(const Lang::String& text) : m_pathString(text) {
    Lang::trim(m_pathString);
    unquote(m_pathString);
    if (!m_pathString.empty())
        m_rootKind = Private::PathStringParser<TraitsT>::processPathString(m_rootLength, m_pathString);
}

template <class TraitsT>
BasicPath<TraitsT>::BasicPath(Lang::String text, std::size_t rootLength, RootKind rootKind)
    : m_pathString(std::move(text)), m_rootLength(rootLength), m_rootKind(rootKind) {}

template <class TraitsT>
BasicPath<TraitsT> BasicPath<TraitsT>::getRoot() const {
    if (m_rootLength == 0)
        return BasicPath();
    if (m_rootLength == m_pathString.size())
        return *this;
    return BasicPath(m_pathString.substr(0, m_rootLength));
}

template <class TraitsT>
BasicPath<TraitsT> BasicPath<TraitsT>::getParent() const {
    const std::size_t separator = lastSeparatorAfterRoot();
    return BasicPath(m_pathString.substr(0, separator == Lang::String::npos ? m_rootLength : separator));
}

template <class TraitsT>
BasicPath<TraitsT> BasicPath<TraitsT>::getFileName() const {
    return BasicPath(m_pathString.substr(fileNameStart()));
}

template <class TraitsT>
void BasicPath<TraitsT>::setRoot(const BasicPath& root) {
    if (m_rootLength == 0) {
        if (!root.m_pathString.empty())
            *this = root / m_pathString;
        return;
    }
    // A root without a closing backslash keeps this path's own root separator after it. A UNC root
    // naming only a server has none: all of it is replaced, or a piece of the server name would stay.
    const bool keepsOwnSeparator =
        needsSeparatorAfter(root.m_pathString) && m_pathString[m_rootLength - 1] == kBackslash;
    const std::size_t replaced = keepsOwnSeparator ? m_rootLength - 1 : m_rootLength;
    *this = BasicPath(root.m_pathString + m_pathString.substr(replaced), root.m_rootLength, root.m_rootKind);
}

template <class TraitsT>
void BasicPath<TraitsT>::setParent(const BasicPath& parent) {
    requireText(m_pathString);
    Lang::String text = parent.m_pathString;
    if (needsSeparatorAfter(text))
        text += kBackslash;
    text.append(m_pathString, fileNameStart());
    *this = BasicPath(std::move(text), parent.m_rootLength, parent.m_rootKind);
}

// The tail is normalised after this path's root, which the path keeps. Parsed afresh, the joined text
// could read as another root: "\" joined to "\\C:" is "\\C:", a UNC root naming the server "C:".
template <class TraitsT>
void BasicPath<TraitsT>::append(const Lang::String& tail) {
    if (!m_pathString.empty()) {
        if (tail.empty())
            return;
        Lang::String text = joinedAtSeam(m_pathString, tail);
        Private::PathStringParser<TraitsT>::normaliseAfterRoot(m_rootLength, text);
        m_pathString = std::move(text);
        return;
    }
    Lang::String text = tail;
    std::size_t rootLength = 0;
    const RootKind rootKind = Private::PathStringParser<TraitsT>::processPathString(rootLength, text);
    *this = BasicPath(std::move(text), rootLength, rootKind);
}

template <class TraitsT>
Lang::String BasicPath<TraitsT>::joinPathStrings(Lang::String a, Lang::String b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    Lang::String text = joinedAtSeam(std::move(a), std::move(b));
    std::size_t rootLength = 0;
    Private::PathStringParser<TraitsT>::processPathString(rootLength, text);
    return text;
}

// The position of the last backslash that follows the root; npos if there is none.
template <class TraitsT>
std::size_t BasicPath<TraitsT>::lastSeparatorAfterRoot() const {
    const std::size_t separator = Lang::findLastChar(m_pathString, kBackslash);
    return separator == Lang::String::npos || separator < m_rootLength ? Lang::String::npos : separator;
}

// Where the file name begins: after the last backslash, and never inside the root.
template <class TraitsT>
std::size_t BasicPath<TraitsT>::fileNameStart() const {
    const std::size_t separator = lastSeparatorAfterRoot();
    return separator == Lang::String::npos ? m_rootLength : separator + 1;
}

template class BasicPath<Win32::PathTraits>;

} // namespace System
