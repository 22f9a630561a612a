#include "shell/command_line.h"

#include "host/utf8.h"

namespace kestrel {

static void applyOption(const std::u16string& option, CommandLine& line) {
    if (option == u"-w") line.waitForKey = true;
    else if (option == u"-q") line.quiet = true;
    else if (option == u"-h" || option == u"--help") line.help = true;
    else if (option == u"--version") line.version = true;
    else if (option == u"--check-leaks") line.checkLeaks = true;
    else if (option == u"--tokens") line.dump = DebugDump::Tokens;
    else if (option == u"--ast") line.dump = DebugDump::Ast;
    else if (option == u"--dis") line.dump = DebugDump::Disassembly;
    else if (option == u"--dis=exec") line.dump = DebugDump::Executable;
    // any other option is ignored
}

CommandLine parseCommandLine(const std::vector<std::u16string>& arguments) {
    CommandLine line;
    for (auto it = arguments.begin(); it != arguments.end(); ++it) {
        if (*it == u"--") {
            line.scriptArguments.assign(it + 1, arguments.end());
            break;
        }
        if (!it->empty() && (*it)[0] == u'-') applyOption(*it, line);
        else line.scriptPath = *it;
    }
    return line;
}

// The argument with every byte outside printable ASCII written as \xHH, so
// the message itself stays valid UTF-8 and shows what was received.
static std::string escapedArgument(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text;
}

bool decodeArguments(int argc, const char* const* argv, std::vector<std::u16string>& arguments,
                     std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        std::string bytes(argv[i]);
        if (!isValidUtf8(bytes)) {
            problem = "argument " + std::to_string(i) + " is not valid UTF-8: " + escapedArgument(bytes);
            return false;
        }
        arguments.push_back(fromUtf8(bytes));
    }
    return true;
}

std::u16string usageText() {
    return u"Usage: kestrel [options] [script.kv] [-- arguments...]\n"
           u"\n"
           u"Runs the script and exits. Without a script, runs the module\n"
           u"test/standard-module-test each time Enter is pressed. Everything after\n"
           u"\"--\" is handed to the script (os.args()) and is not read as an option.\n"
           u"\n"
           u"Options:\n"
           u"  -w             wait for a key after the script has run\n"
           u"  -q             quiet: no start-up notices (errors still show)\n"
           u"  --tokens       print the tokens of the script and exit\n"
           u"  --ast          print the syntax tree of the script and exit\n"
           u"  --dis          print the compiled instructions of the script and exit\n"
           u"  --dis=exec     print the records the machine runs for them and exit\n"
           u"  --check-leaks  after the run, fail (status 3) when values are still alive\n"
           u"  --version      print the version line and exit\n"
           u"  -h, --help     print this text and exit\n";
}

}  // namespace kestrel
