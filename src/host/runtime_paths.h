// The directories the program works with, found once at start-up. Every
// directory ends in "/"; a directory the system would not tell is empty.
#pragma once

#include <string>

namespace kestrel {

struct RuntimePaths {
    std::u16string workingDirectory;
    std::u16string executablePath;
    std::u16string executableDirectory;
    std::u16string projectDirectory;  // nearest upward holder of config.json
    std::u16string executableLibraryDirectory;
    std::u16string projectLibraryDirectory;
    std::u16string temporaryDirectory;

    // Reads the system's answers.
    static RuntimePaths fromSystem();
    // Builds the table from given answers (tests give their own).
    static RuntimePaths build(const std::u16string& workingDirectory,
                              const std::u16string& executablePath,
                              const std::u16string& temporaryDirectory);
};

// The process-wide table, created by start-up.
RuntimePaths& runtimePaths();

// Appends "/" unless the text is empty or already ends in one.
std::u16string withTrailingSlash(const std::u16string& directory);

}  // namespace kestrel
