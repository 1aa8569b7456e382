// Test helper: a pseudo-terminal in raw mode, to stand in for standard error on a terminal.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

class Terminal {
public:
    Terminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        m_side = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        struct termios mode {};
        if (m_side < 0 || ::tcgetattr(m_side, &mode) != 0) {
            ADD_FAILURE() << "cannot open the terminal side";
            return;
        }
        ::cfmakeraw(&mode);
        ::tcsetattr(m_side, TCSANOW, &mode);
    }
    ~Terminal() {
        closeSide();
        if (m_master >= 0)
            ::close(m_master);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The descriptor a program writes to.
    int side() const { return m_side; }
    void closeSide() {
        if (m_side >= 0)
            ::close(m_side);
        m_side = -1;
    }

    // What was written so far.
    std::string written() const {
        std::string text;
        char buffer[4096];
        struct pollfd ready = {m_master, POLLIN, 0};
        while (::poll(&ready, 1, 50) > 0 && (ready.revents & POLLIN) != 0) {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(got));
        }
        return text;
    }

private:
    int m_master = -1;
    int m_side = -1;
};
