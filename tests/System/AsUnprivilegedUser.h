// Test helper: runs a check in a child process under an unprivileged user, where permissions hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

inline constexpr uid_t kNobody = 65534;

// Root passes every permission check, so the child gives up root first; the files the check uses
// must be reachable by that user. Expects `produce()` in the child to equal `expected`.
template <class Result, class Produce>
void expectAsUnprivilegedUser(Produce produce, const Result& expected) {
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
                std::perror("dropping privileges");
                std::_Exit(2);
            }
            const Result result = produce();
            if (result == expected)
                std::_Exit(0);
            std::cerr << "got " << result << std::endl;
            std::_Exit(1);
        },
        testing::ExitedWithCode(0), "");
}
