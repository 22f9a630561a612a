// Turning a module name into the file that holds it. One file is one module
// whatever name reached it, so modules are keyed by the file's real path.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

enum class ModuleFileKind { Source = 0, CompiledOnly = 1 };

struct ModuleFile {
    std::u16string path;        // the file found, with its extension
    std::u16string modulePath;  // the same without the extension
    std::u16string key;         // the canonical path of the file
    ModuleFileKind kind = ModuleFileKind::Source;
};

// The module name as it is looked up: without a trailing ".kv" or ".kvc".
std::u16string moduleBaseName(const std::u16string& name);

// True when the last part of name has an extension other than ".kv" or
// ".kvc" ("Simple.txt"): such a file, when it exists, is a source itself,
// compiled without a cache beside it.
bool hasForeignExtension(const std::u16string& name);

// The directory part of a path, ending in "/"; empty when it has none.
std::u16string directoryOf(const std::u16string& path);

// Tries, in order: an absolute name as it stands; a "./" name relative to
// the caller's directory (the working directory when there is none);
// otherwise the caller's directory, then each search directory. Each
// candidate is tried with ".kv", then ".kvc", then (with another extension)
// as it stands. False when nothing exists.
bool findModuleFile(const std::u16string& callerDirectory, const std::u16string& name,
                    const std::vector<std::u16string>& searchDirectories, ModuleFile& found);

}  // namespace kestrel
