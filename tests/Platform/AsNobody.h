// Test helper: runs code as the user and group "nobody", where permission bits hold even for root.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs `body` in a child process that has dropped to the user and group "nobody"; returns what the
// child's body returned, or -1 when it did not end normally.
inline int runAsNobody(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
