// Process-wide settings: the version and the switches the command line and
// the print built-ins change.
#pragma once

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
};

RuntimeSettings& runtimeSettings();

// "0.1.0 Internal version".
std::u16string versionString();

// "[Kestrel 0.1.0 Internal version]".
std::u16string versionLine();

}  // namespace kestrel
