// Process-wide settings: the version, the switches the command line and
// the print built-ins change, and limits the environment may lower (read
// once, when the settings are first used at start-up).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct RuntimeSettings {
    int versionMajor = 0;
    int versionMinor = 1;
    int versionPatch = 0;
    bool printEnabled = true;  // the print switch of the print built-ins
    bool quiet = false;        // "-q": start-up notices are not shown
    std::vector<std::u16string> scriptArguments;  // the command line after "--"
    std::u16string scriptPath;  // the file of the script being run; empty in the test loop
    // The longest string in code units; KESTREL_MAX_STRING may lower it (tests
    // use that to reach the limit without gigabytes).
    int64_t maxStringLength = kLongestString;

    static constexpr int64_t kLongestString = 0x7FFFFFFF;  // lengths are 32-bit
};

// A positive decimal count from the environment variable, or fallback when it
// is unset, malformed or larger than fallback (a setting can only lower a limit).
int64_t environmentLimit(const char* name, int64_t fallback);

RuntimeSettings& runtimeSettings();

// "0.1.0 Internal version".
std::u16string versionString();

// "[Kestrel 0.1.0 Internal version]".
std::u16string versionLine();

}  // namespace kestrel
