// The progress line of a long copy into an archive: one line on a terminal, redrawn in place.
#pragma once

#include <chrono>
#include <cstdint>

namespace Platform::Com {

class ProgressLine {
public:
    // Reports on the file descriptor `output` (-1 for nowhere), and only when it is a terminal and
    // `delay` has passed since construction, the share of `total` bytes done.
    ProgressLine(int output, std::chrono::milliseconds delay, std::uint64_t total);
    // Ends a line that was shown, so that later output starts on a line of its own.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(std::uint64_t done);

private:
    void write(const char* text, std::size_t length) const;

    int m_output;
    std::chrono::steady_clock::time_point m_showFrom;
    std::uint64_t m_total;
    int m_shownPercent = -1;
};

} // namespace Platform::Com
