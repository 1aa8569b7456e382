// Test helper: runs code as the user and group "nobody", where permission bits hold even for root.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

inline constexpr uid_t kNobody = 65534;

// Drops this process to the user and group "nobody", with no supplementary groups (root's would
// still grant their groups' access); false when the system refuses.
inline bool dropToNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// Runs `body` in a child process that has dropped to the user and group "nobody"; returns what the
// child's body returned, or -1 when it did not end normally.
inline int runAsNobody(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (!dropToNobody())
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
