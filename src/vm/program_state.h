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

class ProgramState {
public:
    ProgramState() = default;
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

private:
    struct GlobalBinding {
        VariableSlot* slot;
        KvVBaseContext* owner;
    };
    void bindGlobal(KvVBaseContext* context, int32_t slot, const std::u16string& name);

    std::unordered_map<std::u16string, GlobalBinding> globals_;
    std::unordered_set<std::u16string> executed_;
    std::vector<KvContextRef> modules_;
    std::unordered_map<std::u16string, KvValueRef> nativeExports_;  // filled by native modules
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

}  // namespace kestrel
