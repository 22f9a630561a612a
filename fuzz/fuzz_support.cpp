// The shared fuzz set-up. Runs end with the program's state dropped and the
// cycle collector run, so nothing one input made is alive for the next.
#include "fuzz_support.h"
#include "heap_cap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "compiler/codegen.h"
#include "frontend/decode.h"
#include "host/console_queue.h"
#include "modules/builtins.h"
#include "objects/shared_constants.h"
#include "parser/parse_source.h"
#include "vm/code_unit.h"
#include "vm/cycle_collector.h"
#include "vm/machine.h"
#include "vm/program_state.h"
#include "vm/run_budget.h"

namespace kestrel::fuzz {

void initRuntime() {
    static bool done = false;
    if (done) return;
    done = true;
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
        std::fflush(stdout);
        ::dup2(null, STDOUT_FILENO);  // what scripts print; the fuzzer reports on stderr
        ::close(null);
    }
    initObjectModel();
    installBuiltinFunctions();
    setScriptModuleLoader([](const std::u16string&, const std::u16string&) { return ScriptModuleLoad(); });
}

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

std::u16string decodeInput(const uint8_t* data, size_t size) {
    return decodeAuto(reinterpret_cast<const char*>(data), size);
}

CompiledModulePtr compileText(const std::u16string& text) {
    ParseOutcome parse = parseSourceText(text);
    if (!parse.ok) return nullptr;
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!compileModule(parse.root, *module, error)) return nullptr;
    return module;
}

void runWithBudget(const CompiledModulePtr& module) {
    initRuntime();
    setRunBudget(kRunSteps);
    try {
        HeapCap cap(kRunHeapBytes);
        KvUnitRef unit = KvUnitRef::make(module, u"");
        KvVirtualMachine machine;
        machine.setReportUncaught(false);
        machine.run(unit.get(), true, false);
    } catch (const std::bad_alloc&) {
        // The script wanted more than the cap; the machine released its frames on the way out.
    }
    setRunBudget(-1);
    collectCycles();
    consoleQueue().flush();
}

}  // namespace kestrel::fuzz
