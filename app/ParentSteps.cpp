// The ".." steps of a command-line word, checked against the file system.
#include "app/ParentSteps.h"

#include "Platform/WorkingDirectory.h"

#include <sys/stat.h>

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

bool isPlainFolder(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
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
        appendNames(names, *base);
    }
    appendNames(names, word);
    std::vector<std::string> resolved;
    for (const std::string& name : names) {
        if (name.empty() || name == ".")
            continue;
        if (name != "..") {
            resolved.push_back(name);
            continue;
        }
        // Above the root both stay at the root.
        if (resolved.empty())
            continue;
        if (!isPlainFolder(joined(resolved)))
            return false;
        resolved.pop_back();
    }
    return true;
}

} // namespace App
