// The command line: options and the script path. Options begin with "-";
// unknown ones are ignored without a message; the last path wins.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// What the program was asked to do besides running the script.
enum class DebugDump { None, Tokens, Ast, Disassembly };

struct CommandLine {
    std::u16string scriptPath;
    bool waitForKey = false;  // "-w": wait for a key after the run
    bool quiet = false;       // "-q": no start-up notices
    bool help = false;        // "-h", "--help"
    bool version = false;     // "--version"
    bool checkLeaks = false;  // "--check-leaks": fail when values outlive the run
    DebugDump dump = DebugDump::None;
};

// Scans the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::u16string>& arguments);

// The text of "--help".
std::u16string usageText();

}  // namespace kestrel
