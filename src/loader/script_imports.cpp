// Script imports through the program-wide module manager.
#include "loader/script_imports.h"

#include "loader/module_loader.h"
#include "loader/module_path.h"

namespace kestrel {

ScriptModuleLoad loadScriptModule(const std::u16string& name, const std::u16string& importerKey) {
    ScriptModuleLoad load;
    ModuleRecord* record = moduleManager().load(directoryOf(importerKey), name);
    if (!record || !record->code) return load;  // already reported by module loading
    load.ok = true;
    load.module = record->code;
    load.key = record->key;
    return load;
}

}  // namespace kestrel
