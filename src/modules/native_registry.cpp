// Loading native modules: the standard library at start-up, single modules
// on import, and what a program's import of one binds.
#include "modules/native_registry.h"

#include "host/platform.h"
#include "host/runtime_paths.h"
#include "host/utf8.h"
#include "modules/module_values.h"
#include "modules/runtime_record.h"
#include "vm/program_state.h"

namespace kestrel {

namespace {

using InitFunction = const KvModuleDescriptor* (*)(const KvRuntimeRecord*);
using LibsFunction = const KvLibraryList* (*)();

constexpr const char16_t* kStandardLibraryFile = u"standard.kvd";

// Export addresses arrive as data pointers; the platform guarantees that a
// function's address survives the round trip.
template <class Function>
Function asFunction(void* address) {
    return reinterpret_cast<Function>(address);
}

std::u16string versionText(uint32_t version) {
    return decimalText(static_cast<int64_t>(version));
}

// Runs the module's init export and checks what it hands back.
const KvModuleDescriptor* initModule(const NativeLibrary& library, const std::u16string& name) {
    const std::string exportName = "kv_module_init_" + toUtf8(name);
    auto init = asFunction<InitFunction>(getExport(library, exportName));
    if (!init) {
        reportLibraryProblem(library, u"no export '" + fromUtf8(exportName) + u"'");
        return nullptr;
    }
    const KvModuleDescriptor* descriptor = init(runtimeRecord());
    if (!descriptor) {
        reportLibraryProblem(library, u"'" + fromUtf8(exportName) + u"' gave no module");
        return nullptr;
    }
    if (descriptor->layoutVersion != KESTREL_EXTENSION_LAYOUT_VERSION) {
        reportLibraryProblem(library, u"module '" + name + u"' was built for extension layout version " +
                                          versionText(descriptor->layoutVersion) +
                                          u", this interpreter reads version " +
                                          versionText(KESTREL_EXTENSION_LAYOUT_VERSION));
        return nullptr;
    }
    return descriptor;
}

std::unique_ptr<NativeModule> makeModule(const std::u16string& name, const KvModuleDescriptor& descriptor,
                                         NativeLibraryPtr library) {
    auto module = std::make_unique<NativeModule>();
    module->name = name;
    module->descriptor = &descriptor;
    module->library = std::move(library);
    module->module = makeLastingModule(name, descriptor);
    return module;
}

// The names "kv_libs" lists, or none (with a diagnostic) when it lists none.
std::vector<std::u16string> libraryModuleNames(const NativeLibrary& library) {
    auto libs = asFunction<LibsFunction>(getExport(library, "kv_libs"));
    if (!libs) {
        reportLibraryProblem(library, u"no export 'kv_libs'");
        return {};
    }
    std::vector<std::u16string> names;
    const KvLibraryList* list = libs();
    if (list && list->begin && list->end) {
        for (const char16_t* const* at = list->begin; at < list->end; ++at) names.emplace_back(*at ? *at : u"");
    }
    if (names.empty()) reportLibraryProblem(library, u"'kv_libs' names no module");
    return names;
}

NativeModuleImport exportsOf(const NativeModule& loaded) {
    NativeModuleImport imported;
    imported.ok = true;
    imported.exports.push_back(NativeExport{loaded.name, loaded.module});
    for (const auto& cls : loaded.module->classes()) imported.exports.push_back(NativeExport{cls.first, cls.second});
    for (const auto& function : loaded.module->functions()) {
        imported.exports.push_back(NativeExport{function.first, function.second});
    }
    return imported;
}

}  // namespace

NativeModule* NativeModuleRegistry::find(const std::u16string& name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second.get();
}

NativeModule* NativeModuleRegistry::add(std::unique_ptr<NativeModule> module) {
    if (!module) return nullptr;
    auto placed = byName_.emplace(module->name, std::move(module));
    return placed.first->second.get();
}

NativeModuleRegistry& nativeModules() {
    static NativeModuleRegistry* registry = new NativeModuleRegistry();
    return *registry;
}

bool loadStandardLibraries(NativeModuleRegistry& registry, const std::u16string& libraryDirectory) {
    if (libraryDirectory.empty()) return false;
    NativeLibraryPtr library = loadLibrary(libraryDirectory + kStandardLibraryFile);
    if (!library) return false;
    std::vector<std::u16string> names = libraryModuleNames(*library);
    size_t registered = 0;
    for (const std::u16string& name : names) {
        const KvModuleDescriptor* descriptor = name.empty() ? nullptr : initModule(*library, name);
        if (!descriptor) break;
        NativeModule* module = registry.add(makeModule(name, *descriptor, library));
        registry.noteStartupModule(module);
        ++registered;
    }
    if (registered == 0) library->free();
    return !names.empty() && registered == names.size();
}

std::u16string findNativeModuleFile(const std::u16string& name, const std::vector<std::u16string>& directories,
                                    const std::function<bool(const std::u16string&)>& exists) {
    for (const std::u16string& directory : directories) {
        if (directory.empty()) continue;
        std::u16string candidate = directory + name + u".kvd";
        if (exists(candidate)) return candidate;
    }
    return std::u16string();
}

std::unique_ptr<NativeModule> loadModuleFromFile(const std::u16string& name, const std::u16string& file) {
    NativeLibraryPtr library = loadLibrary(file);
    if (!library) return nullptr;
    const KvModuleDescriptor* descriptor = initModule(*library, name);
    if (!descriptor) {
        library->free();
        return nullptr;
    }
    return makeModule(name, *descriptor, std::move(library));
}

NativeModule* loadNativeModule(NativeModuleRegistry& registry, const std::u16string& name) {
    if (name.empty()) return nullptr;
    if (NativeModule* known = registry.find(name)) return known;
    std::vector<std::u16string>& directories = registry.searchDirectories();
    if (directories.empty()) {
        directories = {runtimePaths().projectLibraryDirectory, runtimePaths().executableLibraryDirectory};
    }
    std::u16string file = findNativeModuleFile(name, directories, platform::pathExists);
    if (file.empty()) return nullptr;
    return registry.add(loadModuleFromFile(name, file));
}

NativeModule* importNative(const std::u16string& name) {
    return loadNativeModule(nativeModules(), name);
}

void registerNativeLibraryModules() {
    for (NativeModule* module : nativeModules().loadOrder()) addStartupNativeExport(module->name, module->module);
}

void installNativeModuleImporter() {
    setNativeModuleImporter([](const std::u16string& name) {
        NativeModule* loaded = importNative(name);
        return loaded ? exportsOf(*loaded) : NativeModuleImport{};
    });
}

}  // namespace kestrel
