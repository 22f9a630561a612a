// Entry point: scans the command line and runs a script, a debugging dump,
// or the interactive module test loop; running out of memory anywhere ends
// the process with "out of memory" and status 1 (runReportingOutOfMemory).
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/token_dump.h"
#include "host/utf8.h"
#include "objects/value_pool.h"
#include "loader/source_file.h"
#include "vm/disassembler.h"
#include "vm/exec_code.h"
#include "loader/module_loader.h"
#include "shell/command_line.h"
#include "host/console_queue.h"
#include "host/memory_limit.h"
#include "host/platform.h"
#include "host/runtime_settings.h"
#include "shell/prompt.h"
#include "shell/shell.h"

using namespace kestrel;

// Every value a run creates is released when it ends; tests hold us to it.
static int checkNothingOutlivedTheRun() {
    int64_t alive = kvLiveValueCount();
    if (alive == 0) return 0;
    consoleWrite(u"[check-leaks] " + decimalText(alive) +
                     u" values still alive after the run\r\n",
                 kLevelError);
    return 3;
}

static int runCommandLine(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    std::string problem;
    if (!decodeArguments(argc, argv, arguments, problem)) {
        platform::writeStderr("kestrel: " + problem + "\n");
        return 1;
    }
    CommandLine line = parseCommandLine(arguments);

    if (line.help) {
        consoleWriteDirect(usageText(), platform::kAttributeNormal);
        return 0;
    }
    if (line.version) {
        consoleWriteDirect(versionLine() + u"\r\n", platform::kAttributeNormal);
        return 0;
    }
    runtimeSettings().quiet = line.quiet;
    runtimeSettings().scriptArguments = line.scriptArguments;
    // KESTREL_NO_FUSION set to anything but "" or "0": plain records only,
    // to compare a run with and without fused instructions.
    if (const char* noFusion = std::getenv("KESTREL_NO_FUSION")) {
        if (*noFusion && std::string(noFusion) != "0") fusedInstructionsEnabled() = false;
    }

    if (line.dump == DebugDump::Tokens) {
        std::string listing;
        int status = dumpTokens(line.scriptPath, listing);
        platform::writeStdout(listing);
        return status == 0 ? 0 : 1;
    }
    if (line.dump == DebugDump::Disassembly || line.dump == DebugDump::Executable) {
        std::u16string report;
        CompiledModulePtr code = compileSourceFile(line.scriptPath, report);
        if (code == nullptr) {
            consoleWrite(report, kLevelError);
            return 1;
        }
        platform::writeStdout(line.dump == DebugDump::Disassembly
                                  ? disassemble(*code)
                                  : disassembleExecutable(buildExecutable(code->code, fusedInstructionsEnabled())));
        return 0;
    }
    if (line.dump == DebugDump::Ast) {
        std::string listing;
        std::u16string errorReport;
        int status = dumpAstOfFile(line.scriptPath, listing, errorReport);
        platform::writeStdout(listing);
        if (status != 0) consoleWrite(errorReport, kLevelError);
        return status;
    }

    if (line.scriptPath.empty()) return runInteractive();

    int status = runScriptFile(line.scriptPath, line.waitForKey);
    if (line.checkLeaks && checkNothingOutlivedTheRun() != 0) status = 3;
    if (line.waitForKey) waitForKey();
    return status;
}

int main(int argc, char** argv) {
    platform::guardStandardStreams();
    enforceMemoryLimit();
    return runReportingOutOfMemory([argc, argv] { return runCommandLine(argc, argv); });
}
