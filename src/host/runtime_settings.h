// Process-wide settings: the version and the switches the command line and
// the print built-ins change.
#pragma once

#include <string>

namespace kestrel {

struct RuntimeSettings {
    int versionMajor = 0;
    int versionMinor = 1;
    int versionPatch = 0;
    bool printEnabled = true;  // the print switch of the print built-ins
    bool quiet = false;        // "-q": start-up notices are not shown
};

RuntimeSettings& runtimeSettings();

// "0.1.0 Internal version".
std::u16string versionString();

// "[Kestrel 0.1.0 Internal version]".
std::u16string versionLine();

}  // namespace kestrel
