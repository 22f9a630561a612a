#include "shell/command_line.h"

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
    // any other option is ignored
}

CommandLine parseCommandLine(const std::vector<std::u16string>& arguments) {
    CommandLine line;
    for (const auto& argument : arguments) {
        if (!argument.empty() && argument[0] == u'-') applyOption(argument, line);
        else line.scriptPath = argument;
    }
    return line;
}

std::u16string usageText() {
    return u"Usage: kestrel [options] [script.kv]\n"
           u"\n"
           u"Runs the script and exits. Without a script, runs the module\n"
           u"test/standard-module-test each time Enter is pressed.\n"
           u"\n"
           u"Options:\n"
           u"  -w             wait for a key after the script has run\n"
           u"  -q             quiet: no start-up notices (errors still show)\n"
           u"  --tokens       print the tokens of the script and exit\n"
           u"  --ast          print the syntax tree of the script and exit\n"
           u"  --dis          print the compiled instructions of the script and exit\n"
           u"  --check-leaks  after the run, fail (status 3) when values are still alive\n"
           u"  --version      print the version line and exit\n"
           u"  -h, --help     print this text and exit\n";
}

}  // namespace kestrel
