// The output side of the format engine: writes into a zero-filled buffer that grows by doubling.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <string>
#include <vector>

namespace Lang::Private {

// Writes characters from cell 0 on. After every write at least one zero cell follows the text, so
// the text ends at the first zero cell, also when nothing is written. Zero characters are never
// stored.
template <class CharT>
class FormatOutput {
public:
    explicit FormatOutput(std::vector<CharT>& cells) : m_cells(cells) { makeRoom(0); }

    // Number of characters written so far.
    std::size_t position() const { return m_position; }

    // Writes `count` characters of `text`, none of them zero.
    void write(const CharT* text, std::size_t count) {
        assert(std::char_traits<CharT>::find(text, count, CharT{}) == nullptr);
        makeRoom(count);
        std::char_traits<CharT>::copy(m_cells.data() + m_position, text, count);
        m_position += count;
    }

    // Writes `c` unless it is zero.
    void put(CharT c) {
        if (c != 0) {
            write(&c, 1);
        }
    }

    // Writes `count` characters of `text`, each turned into an output character by `convert`;
    // a character that turns into zero writes nothing.
    template <class SourceChar, class Convert>
    void write(const SourceChar* text, std::size_t count, Convert convert) {
        makeRoom(count);
        for (std::size_t i = 0; i < count; ++i) {
            const CharT c = convert(text[i]);
            if (c != 0) {
                m_cells[m_position++] = c;
            }
        }
    }

    // Writes `count` copies of the non-zero character `c`.
    void repeat(CharT c, std::size_t count) {
        makeRoom(count);
        std::fill_n(m_cells.begin() + static_cast<std::ptrdiff_t>(m_position), count, c);
        m_position += count;
    }

private:
    // Doubles the buffer until `count` more characters leave a zero cell after them. An empty
    // buffer first gets one cell, so that doubling makes progress.
    void makeRoom(std::size_t count) {
        std::size_t size = std::max<std::size_t>(m_cells.size(), 1);
        while (m_position + count >= size) {
            size *= 2;
        }
        if (size != m_cells.size()) {
            m_cells.resize(size);
        }
    }

    std::vector<CharT>& m_cells;
    std::size_t m_position = 0;
};

} // namespace Lang::Private
