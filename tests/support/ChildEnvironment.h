// The argument and environment vectors of a child process started by a test (Linux).
#pragma once
#include <string>
#include <vector>

#include <unistd.h>

// This process's environment with `extra` ("NAME=VALUE") added, replacing entries of the same name.
inline std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const std::string& e : extra)
            replaced = replaced || e.compare(0, name.size(), name) == 0;
        if (!replaced)
            merged.push_back(text);
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

// The null-terminated pointer array that exec and posix_spawn take; `words` must outlive it.
inline std::vector<char*> Pointers(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}
