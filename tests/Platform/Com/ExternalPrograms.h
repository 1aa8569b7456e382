// Test helper: running other programs through the shell, and whether they are installed.
#pragma once

#include "tests/Platform/Com/ShellSession.h"

#include <sys/wait.h>

#include <cstdlib>
#include <string>

// A command's exit status and what it printed.
struct Outcome {
    int status;
    std::string output;
};

// Runs `command` with its output going to `outputFile`, then reads that file.
inline Outcome run(const std::string& command, const std::string& outputFile) {
    const int status = std::system((command + " >'" + outputFile + "' 2>&1").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outputFile)};
}

inline bool installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}
