// The command line: options and the script path. Options begin with "-";
// unknown ones are ignored without a message; the last path wins. Whatever
// follows a "--" argument belongs to the script and is not scanned.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// What the program was asked to do besides running the script.
enum class DebugDump { None, Tokens, Ast, Disassembly, Executable };

struct CommandLine {
    std::u16string scriptPath;
    std::vector<std::u16string> scriptArguments;  // everything after "--"
    bool waitForKey = false;  // "-w": wait for a key after the run
    bool quiet = false;       // "-q": no start-up notices
    bool help = false;        // "-h", "--help"
    bool version = false;     // "--version"
    bool checkLeaks = false;  // "--check-leaks": fail when values outlive the run
    DebugDump dump = DebugDump::None;
};

// Scans the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::u16string>& arguments);

// Decodes the raw argument bytes after the program name. An argument that is
// not valid UTF-8 is refused rather than decoded with losses (which could name
// another file): the result is false and problem names the argument.
bool decodeArguments(int argc, const char* const* argv, std::vector<std::u16string>& arguments,
                     std::string& problem);

// The text of "--help".
std::u16string usageText();

}  // namespace kestrel
