// The ".." steps of a command-line word, checked against the file system.
#include "app/ParentSteps.h"

#include "Platform/WorkingDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace App {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

void appendNames(std::vector<std::string>& names, const std::string& text) {
    std::string name;
    for (const char c : text) {
        if (isSeparator(c)) {
            names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    names.push_back(name);
}

bool hasParentStep(const std::string& word) {
    std::vector<std::string> names;
    appendNames(names, word);
    for (const std::string& name : names) {
        if (name == "..")
            return true;
    }
    return false;
}

std::string joined(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names)
        path += "/" + name;
    return path;
}

// A folder, not a link, that the caller may pass through: the kernel refuses a ".." it cannot reach.
bool isPlainFolder(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

bool parentStepsAgree(const std::string& word) {
    if (!hasParentStep(word))
        return true;
    std::vector<std::string> names;
    if (word.empty() || !isSeparator(word.front())) {
        const auto base = Platform::workingDirectory();
        if (!base)
            return false;
        // The working directory has no empty names but the one before its root ("/" alone has two).
        appendNames(names, *base);
        std::erase(names, std::string());
        names.insert(names.begin(), std::string());
    }
    appendNames(names, word);
    // The first name is the empty one before the root.
    std::vector<std::string> resolved;
    for (auto name = names.begin() + 1; name != names.end(); ++name) {
        if (*name == ".")
            continue;
        if (*name != "..") {
            resolved.push_back(*name);
            continue;
        }
        // Above the root both stay at the root.
        if (resolved.empty())
            continue;
        // The path rules keep an empty name ("x//..") and the ".." removes it; the kernel removes "x".
        if (resolved.back().empty() || !isPlainFolder(joined(resolved)))
            return false;
        resolved.pop_back();
    }
    return true;
}

} // namespace App
