// One program run from start to end.
#include "loader/run_module.h"

#include "host/runtime_settings.h"
#include "objects/base_object.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"
#include "vm/code_unit.h"
#include "vm/machine.h"
#include "loader/module_loader.h"
#include "loader/script_imports.h"

namespace kestrel {

namespace {

// While the values a run leaves are released, the pool keeps every block
// they free (value_pool.h); the usual limit again afterwards.
class ProgramTeardown {
public:
    ProgramTeardown() = default;
    ProgramTeardown(const ProgramTeardown&) = delete;
    ProgramTeardown& operator=(const ProgramTeardown&) = delete;
    ~ProgramTeardown() { valuePool().cacheEveryFreedBlock(false); }
    void begin() { valuePool().cacheEveryFreedBlock(true); }
};

}  // namespace

bool runModule(const CompiledModulePtr& module, const std::u16string& moduleKey) {
    if (!module) return false;
    initObjectModel();  // idempotent; the interpreter thread owns the value pool
    KvUnitRef unit = KvUnitRef::make(module, moduleKey);
    ProgramTeardown teardown;  // ends after the machine
    // The machine and its program state end with this function, and with
    // them the globals.
    KvVirtualMachine machine;
    machine.run(unit.get(), true, false);  // no result wanted: none comes back
    teardown.begin();
    return machine.endedInException();
}

ScriptRunResult runScriptPath(const std::u16string& path) {
    // Imports of a file run this way go through module loading too, unless
    // the embedder installed its own loader.
    if (!scriptModuleLoader()) setScriptModuleLoader(loadScriptModule);
    ModuleRecord* record = moduleManager().load(std::u16string(), path);
    if (!record || !record->code) return ScriptRunResult::LoadFailed;
    CompiledModulePtr code = record->code;  // a later reload must not free what runs
    // os.scriptPath() names this file while it runs, then whatever ran before
    // (nothing, at the interactive prompt).
    std::u16string previousPath = std::move(runtimeSettings().scriptPath);
    runtimeSettings().scriptPath = record->filePath;
    bool uncaught = runModule(code, record->key);
    runtimeSettings().scriptPath = std::move(previousPath);
    return uncaught ? ScriptRunResult::Uncaught : ScriptRunResult::Completed;
}

}  // namespace kestrel
