// The progress line: "Compressing:  42%" redrawn with a carriage return, ended with a newline.
#include "Platform/Com/ProgressLine.h"

#include "Platform/Retried.h"

#include <unistd.h>

#include <cstdio>

namespace Platform::Com {

ProgressLine::ProgressLine(int output, std::chrono::milliseconds delay, std::uint64_t total)
    : m_output(output >= 0 && ::isatty(output) == 1 ? output : -1),
      m_showFrom(std::chrono::steady_clock::now() + delay), m_total(total) {}

ProgressLine::~ProgressLine() {
    if (m_shownPercent >= 0)
        write("\n", 1);
}

void ProgressLine::update(std::uint64_t done) {
    if (m_output < 0)
        return;
    if (m_shownPercent < 0 && std::chrono::steady_clock::now() < m_showFrom)
        return;
    const int percent = done >= m_total ? 100 : static_cast<int>(done * 100 / m_total);
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    char line[32];
    const int length = std::snprintf(line, sizeof line, "\rCompressing: %3d%%", percent);
    write(line, static_cast<std::size_t>(length));
}

void ProgressLine::write(const char* text, std::size_t length) const {
    while (length > 0) {
        const ssize_t written = retried([&] { return ::write(m_output, text, length); });
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

} // namespace Platform::Com
