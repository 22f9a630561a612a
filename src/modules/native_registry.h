// The native modules of the process: the standard library loaded at start-up
// ("standard.kvd" in the program's library directory, which names its
// modules through "kv_libs"), and modules loaded on import from NAME.kvd in
// the project's library directory, else the program's. A module is loaded at
// most once per name and stays for the life of the process.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/extension.h"
#include "modules/native_library.h"

namespace kestrel {

class KvObjModule;

struct NativeModule {
    std::u16string name;
    const KvModuleDescriptor* descriptor = nullptr;
    NativeLibraryPtr library;
    KvObjModule* module = nullptr;  // lives as long as the process
};

class NativeModuleRegistry {
public:
    NativeModule* find(const std::u16string& name) const;
    // Registers the module under its name (a name already taken keeps its module).
    NativeModule* add(std::unique_ptr<NativeModule> module);
    // The modules of the standard library, in the order it names them.
    const std::vector<NativeModule*>& loadOrder() const { return loadOrder_; }
    void noteStartupModule(NativeModule* module) { loadOrder_.push_back(module); }
    // Where NAME.kvd is looked for; filled on first use when empty.
    std::vector<std::u16string>& searchDirectories() { return directories_; }

private:
    std::map<std::u16string, std::unique_ptr<NativeModule>> byName_;
    std::vector<NativeModule*> loadOrder_;
    std::vector<std::u16string> directories_;
};

// The process-wide registry.
NativeModuleRegistry& nativeModules();

// Loads "standard.kvd" from libraryDirectory with every module it names;
// true when all of them loaded (those before a failure stay registered).
bool loadStandardLibraries(NativeModuleRegistry& registry, const std::u16string& libraryDirectory);

// The module of that name, registered, or loaded from the first search
// directory holding NAME.kvd; null when none loads.
NativeModule* loadNativeModule(NativeModuleRegistry& registry, const std::u16string& name);

// Loads one library file and initialises the module of that name; null on
// failure, with a diagnostic naming the file and the problem.
std::unique_ptr<NativeModule> loadModuleFromFile(const std::u16string& name, const std::u16string& file);

// The first directory + name + ".kvd" that exists, or empty.
std::u16string findNativeModuleFile(const std::u16string& name, const std::vector<std::u16string>& directories,
                                    const std::function<bool(const std::u16string&)>& exists);

// The import of a native module: the registered entry, or the module loaded
// now; null when it cannot be loaded.
NativeModule* importNative(const std::u16string& name);

// Start-up: the standard library's modules become exports every program
// starts with, and imports of native modules reach this registry.
void registerNativeLibraryModules();
void installNativeModuleImporter();

}  // namespace kestrel
