// Global name binding across modules and the end of a program.
#include "vm/program_state.h"

#include "objects/base_object.h"
#include "vm/context.h"
#include "vm/cycle_collector.h"

namespace kestrel {

namespace {

std::vector<NativeExport>& startupExports() {
    static std::vector<NativeExport>* exports = new std::vector<NativeExport>();
    return *exports;
}

}  // namespace

ProgramState::ProgramState() {
    for (const NativeExport& entry : startupExports()) bindNativeExport(entry.name, entry.value, true);
}

ProgramState::~ProgramState() {
    // The program is over: its globals go, which breaks the cycles between
    // module contexts and the functions defined in them.
    for (KvContextRef& context : modules_) context->releaseValues();
    nativeExports_.clear();
    modules_.clear();
    collectCycles();
}

void ProgramState::enterModule(KvVBaseContext* context) {
    context->markHeldByProgram();
    modules_.push_back(KvContextRef::retain(context));
    const ScopeTable* scope = context->scope();
    if (!scope) return;
    for (const VariableDecl* decl : scope->slotOrder) {
        if (decl->visibility != 0 || decl->slot < 0) continue;
        if (decl->kind != DeclKind::Declared && decl->kind != DeclKind::Implicit) continue;
        bindGlobal(context, decl->slot, decl->name);
    }
}

void ProgramState::bindGlobal(KvVBaseContext* context, int32_t slot, const std::u16string& name) {
    if (!context->hasSlot(slot)) return;
    auto found = globals_.find(name);
    if (found == globals_.end()) {
        auto exported = nativeExports_.find(name);
        if (exported != nativeExports_.end()) {  // this module's slot holds the export from now on
            context->slot(slot).store(exported->second.get());
            nativeExports_.erase(exported);
        }
        globals_.emplace(name, GlobalBinding{&context->slot(slot), context});
        return;
    }
    if (found->second.owner == context) return;
    context->bindSlot(slot, found->second.slot);
    context->pin(found->second.owner);  // the aliased slot must outlive this one
}

void ProgramState::bindNativeImport(const NativeModuleImport& imported) {
    for (size_t i = 0; i < imported.exports.size(); ++i) {
        bindNativeExport(imported.exports[i].name, imported.exports[i].value, i == 0);
    }
}

void ProgramState::bindNativeExport(const std::u16string& name, KvBaseObject* value, bool replace) {
    if (!value) return;
    auto found = globals_.find(name);
    if (found != globals_.end()) {
        VariableSlot* slot = found->second.slot;
        if (replace || slot->read()->tag() == kTagNull) slot->store(value);
        return;
    }
    KvValueRef& held = nativeExports_[name];
    if (held && !replace) return;
    held = KvValueRef::retain(value);
}

bool ProgramState::markExecuted(const std::u16string& key) {
    return executed_.insert(key).second;
}

VariableSlot* ProgramState::global(const std::u16string& name) const {
    auto found = globals_.find(name);
    return found == globals_.end() ? nullptr : found->second.slot;
}

static ScriptModuleLoader& loaderSlot() {
    static ScriptModuleLoader loader;
    return loader;
}

void setScriptModuleLoader(ScriptModuleLoader loader) {
    loaderSlot() = std::move(loader);
}

const ScriptModuleLoader& scriptModuleLoader() {
    return loaderSlot();
}

static NativeModuleImporter& importerSlot() {
    static NativeModuleImporter importer;
    return importer;
}

void setNativeModuleImporter(NativeModuleImporter importer) {
    importerSlot() = std::move(importer);
}

const NativeModuleImporter& nativeModuleImporter() {
    return importerSlot();
}

void addStartupNativeExport(const std::u16string& name, KvBaseObject* value) {
    for (NativeExport& entry : startupExports()) {
        if (entry.name == name) {
            entry.value = value;
            return;
        }
    }
    startupExports().push_back(NativeExport{name, value});
}

}  // namespace kestrel
