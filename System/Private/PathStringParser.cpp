// The path string parser: root recognition and the one-pass normalisation of the text after the root.
#include "System/Private/PathStringParser.h"

#include "Lang/CharClass.h"
#include "Lang/CharCursor.h"
#include "Lang/Platform/Utf16.h"
#include "Lang/StringUnits.h"
#include "Lang/Throw.h"
#include "System/BasicPath.h"
#include "System/Win32/PathTraits.h"

#include <array>
#include <cstdint>
#include <vector>

namespace System::Private {

namespace {

constexpr char16_t kBackslash = u'\\';
constexpr char16_t kColon = u':';
constexpr std::int32_t kDot = u'.';
constexpr std::int32_t kNoChar = -1;

// Index of the first separator at or after `from`, or the length of the text when there is none.
template <class TraitsT>
std::size_t findSeparator(const Lang::String& path, std::size_t from) {
    Lang::CharCursor cursor(path, from);
    while (!cursor.atEnd() && !TraitsT::isSeparator(*cursor))
        ++cursor;
    return cursor.index();
}

// Writes a backslash at `position`, appending it when `position` is the end of the text.
void putBackslash(Lang::String& path, std::size_t position) {
    if (position == path.size())
        path.push_back(kBackslash);
    else
        path[position] = kBackslash;
}

// The root of a text that starts with a separator: "\" alone, or "\\server\share\" as far as the text
// reaches. A share name gets a closing backslash; a server name alone does not.
template <class TraitsT>
RootKind findSeparatorRoot(std::size_t& rootLength, Lang::String& path) {
    path[0] = kBackslash;
    if (path.size() == 1 || !TraitsT::isSeparator(path[1])) {
        rootLength = 1;
        return Rooted;
    }
    path[1] = kBackslash;
    std::size_t shareStart = findSeparator<TraitsT>(path, 2);
    if (shareStart < path.size())
        path[shareStart++] = kBackslash;
    if (shareStart == path.size()) {
        rootLength = path.size();
        return Unc;
    }
    const std::size_t shareEnd = findSeparator<TraitsT>(path, shareStart);
    putBackslash(path, shareEnd);
    rootLength = shareEnd + 1;
    return Unc;
}

// One pass over the text after the root. Output is written over the input in place and never passes
// the read position; components removed by "." and ".." are overwritten by what follows.
class Normaliser {
public:
    Normaliser(Lang::String& path, std::size_t rootLength)
        : m_path(path), m_rootLength(rootLength), m_write(rootLength), m_read(rootLength),
          m_base(rootLength) {}

    bool atEnd() const { return m_read == m_path.size(); }
    std::int32_t current() const { return *Lang::CharCursor(m_path, m_read); }
    int dotCount() const { return m_dotCount; }

    // Whether the dot `ch` extends a component that so far holds only dots.
    bool continuesDots(std::int32_t ch) const {
        return ch == kDot &&
               (m_previous == kNoChar || m_previous == kBackslash || (m_previous == kDot && m_dotCount >= 1));
    }
    void countDot() { ++m_dotCount; }
    void endDots() { m_dotCount = 0; }

    // Writes the component character `ch` and steps past it in the input.
    void putChar(std::int32_t ch) {
        m_read += write(ch);
        m_previous = ch;
    }

    // Ends the current component at the separator under the read position.
    void endComponent();

    // Applies a final "." or ".." component, cuts the text there and drops one trailing separator.
    void finish();

private:
    std::size_t write(std::int32_t ch);
    bool separatorWouldFormRoot() const;
    bool separatorClosesRoot() const;
    void closeRoot();
    void keepSeparator();
    void leaveParent();
    void rewind();
    std::size_t lastSeparatorOrBase() const { return m_separators.empty() ? m_base : m_separators.back(); }

    Lang::String& m_path;
    std::size_t m_rootLength;
    std::size_t m_write;
    std::size_t m_read;
    std::size_t m_base; // the start of what ".." may still remove
    std::vector<std::size_t> m_separators;
    std::int32_t m_previous = kNoChar;
    int m_dotCount = 0;
};

// Writes `ch` over the character at the write position and returns the units it takes. When the
// character overwritten is of another width, the unread rest of the text shifts and the read position
// moves with it, so it stays on the next unread input character.
std::size_t Normaliser::write(std::int32_t ch) {
    std::array<char16_t, 2> units{};
    const char16_t* end = Lang::Platform::Utf16::toStorage(ch, units.data(), units.data() + units.size());
    const std::size_t width = end - units.data();
    if (m_write == m_read) {
        // The character overwritten is the one being read: only a separator changes, and it is one unit.
        m_path[m_write] = units[0];
    } else {
        const Lang::UnitRange overwritten =
            Lang::unitsFrom(m_path, m_write, "Lang::Platform::Utf16::storageUsed");
        const std::size_t replaced = Lang::Platform::Utf16::storageUsed(overwritten.first, overwritten.end);
        m_path.replace(m_write, replaced, units.data(), width);
        m_read = m_read + width - replaced;
    }
    m_write += width;
    return width;
}

// Once "." or ".." components are removed, a separator written right after an empty root or after
// the root "\" would turn the text into a root of its own ("\x" or "\\x").
bool Normaliser::separatorWouldFormRoot() const {
    return m_write == m_rootLength && m_rootLength <= 1;
}

// A UNC root naming only a server ends without a backslash; the separator right after it belongs to
// the root, as the closing backslash of a share does.
bool Normaliser::separatorClosesRoot() const {
    return m_write == m_rootLength && m_rootLength > 0 && m_path[m_rootLength - 1] != kBackslash;
}

// Writes the root's separator; ".." removes nothing before it and is kept right after it.
void Normaliser::closeRoot() {
    write(kBackslash);
    m_base = m_write;
    m_previous = kBackslash;
}

// A "." component is dropped, a ".." component applied; an empty component is kept, except where its
// separator would form a root.
void Normaliser::endComponent() {
    if (m_dotCount == 0) {
        if (separatorClosesRoot())
            closeRoot();
        else if (!separatorWouldFormRoot())
            keepSeparator();
    } else {
        if (m_dotCount == 2)
            leaveParent();
        rewind();
    }
    ++m_read;
}

void Normaliser::keepSeparator() {
    m_separators.push_back(m_write);
    write(kBackslash);
    m_previous = kBackslash;
}

// A ".." removes the component before it; with none left to remove it is kept, and nothing before it
// can be removed any more.
void Normaliser::leaveParent() {
    if (!m_separators.empty()) {
        m_separators.pop_back();
        return;
    }
    write(kBackslash);
    m_base = m_write;
}

// Continues writing after the last separator kept, or at the base.
void Normaliser::rewind() {
    m_dotCount = 0;
    if (m_separators.empty()) {
        m_write = m_base;
        m_previous = kNoChar;
        return;
    }
    m_write = m_separators.back() + 1;
    m_previous = kBackslash;
}

void Normaliser::finish() {
    std::size_t end = m_write;
    if (m_dotCount == 2 && !m_separators.empty()) {
        m_separators.pop_back();
        end = lastSeparatorOrBase();
    } else if (m_dotCount == 1) {
        end = lastSeparatorOrBase();
    }
    m_path.resize(end);
    if (m_path.size() > m_rootLength && m_path.back() == kBackslash)
        m_path.pop_back();
}

} // namespace

template <class TraitsT>
RootKind PathStringParser<TraitsT>::findRoot(std::size_t& rootLength, Lang::String& path) {
    rootLength = 0;
    if (path.empty())
        return Relative;
    Lang::CharCursor cursor(path, 0);
    const std::int32_t first = *cursor;
    if (TraitsT::isSeparator(first))
        return findSeparatorRoot<TraitsT>(rootLength, path);
    const std::size_t colon = (++cursor).index();
    if (!Lang::isAlpha(first) || colon == path.size() || path[colon] != kColon)
        return Relative;
    const std::size_t separator = colon + 1;
    if (separator < path.size() && !TraitsT::isSeparator(path[separator]))
        LANG_THROW_NARROW(typename BasicPath<TraitsT>::Exception("Malformed Volume", path));
    putBackslash(path, separator);
    rootLength = separator + 1;
    return Drive;
}

template <class TraitsT>
RootKind PathStringParser<TraitsT>::processPathString(std::size_t& rootLength, Lang::String& path) {
    const RootKind kind = findRoot(rootLength, path);
    normaliseAfterRoot(rootLength, path);
    return kind;
}

template <class TraitsT>
void PathStringParser<TraitsT>::normaliseAfterRoot(std::size_t rootLength, Lang::String& path) {
    processPathString(AfterRoot{}, rootLength, path);
}

template <class TraitsT>
void PathStringParser<TraitsT>::processPathString(AfterRoot, std::size_t rootLength, Lang::String& path) {
    using PathException = typename BasicPath<TraitsT>::Exception;
    if (path.size() == rootLength)
        return;
    Normaliser normaliser(path, rootLength);
    while (!normaliser.atEnd()) {
        const std::int32_t ch = normaliser.current();
        if (TraitsT::isSeparator(ch)) {
            normaliser.endComponent();
            continue;
        }
        if (normaliser.continuesDots(ch)) {
            normaliser.countDot();
            if (normaliser.dotCount() == 3)
                LANG_THROW_NARROW(PathException("... is illegal", path));
        } else {
            if (normaliser.dotCount() >= 2)
                LANG_THROW_NARROW(PathException("..<anything> is illegal", path));
            normaliser.endDots();
        }
        if (TraitsT::isInvalidChar(ch))
            LANG_THROW_NARROW(PathException(TraitsT::invalidCharsMsg(), path));
        normaliser.putChar(ch);
    }
    normaliser.finish();
}

template class PathStringParser<Win32::PathTraits>;

} // namespace System::Private
