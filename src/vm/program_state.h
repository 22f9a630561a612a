// One program's shared state: the global name table (a module-level name is
// one slot shared by every module that declares it), the modules already
// run, the module contexts, and the native module export bindings. Script
// imports reach module loading through the loader set here.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "objects/value_ref.h"
#include "vm/context.h"
#include "vm/instruction.h"

namespace kestrel {

class KvBaseObject;
class KvVBaseContext;
struct VariableSlot;

// A native module as a program sees it: the module under its own name first,
// then its classes and functions by name.
struct NativeExport {
    std::u16string name;
    KvBaseObject* value;
};
struct NativeModuleImport {
    bool ok = false;
    std::vector<NativeExport> exports;
};

class ProgramState {
public:
    // Starts with the native exports registered at start-up.
    ProgramState();
    ~ProgramState();
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    // Binds a fresh module context's names to the global table and keeps the
    // context alive for the rest of the program.
    void enterModule(KvVBaseContext* context);
    // True the first time a module key is seen: the module runs now.
    bool markExecuted(const std::u16string& key);
    bool executed(const std::u16string& key) const { return executed_.count(key) != 0; }
    size_t globalCount() const { return globals_.size(); }
    // The slot a global name is bound to, or null.
    VariableSlot* global(const std::u16string& name) const;
    // An imported native module's names become program globals: the module's
    // own name always; a class or function name only where no value holds
    // that name yet, so an import never replaces a script's own variable.
    void bindNativeImport(const NativeModuleImport& imported);

private:
    struct GlobalBinding {
        VariableSlot* slot;
        KvVBaseContext* owner;
    };
    void bindGlobal(KvVBaseContext* context, int32_t slot, const std::u16string& name);
    void bindNativeExport(const std::u16string& name, KvBaseObject* value, bool replace);

    std::unordered_map<std::u16string, GlobalBinding> globals_;
    std::unordered_set<std::u16string> executed_;
    std::vector<KvContextRef> modules_;
    // Exports no module has declared yet; a module declaring the name takes
    // the value into its slot.
    std::unordered_map<std::u16string, KvValueRef> nativeExports_;
};

// The result of asking module loading for a script module.
struct ScriptModuleLoad {
    bool ok = false;
    CompiledModulePtr module;
    std::u16string key;  // one key per file, whatever name reached it
};

// Loads (or finds) the script module `name` imported from the module known
// by importerKey; reports its own errors (parse and compile errors) and
// returns ok = false on failure.
using ScriptModuleLoader =
    std::function<ScriptModuleLoad(const std::u16string& name, const std::u16string& importerKey)>;

void setScriptModuleLoader(ScriptModuleLoader loader);
const ScriptModuleLoader& scriptModuleLoader();

// Loads (or finds) the native module `name`; reports its own problems and
// returns ok = false when it cannot be loaded.
using NativeModuleImporter = std::function<NativeModuleImport(const std::u16string& name)>;

void setNativeModuleImporter(NativeModuleImporter importer);
const NativeModuleImporter& nativeModuleImporter();

// A name every later program starts with (start-up registers the standard
// modules); the value must live as long as the process.
void addStartupNativeExport(const std::u16string& name, KvBaseObject* value);

}  // namespace kestrel
