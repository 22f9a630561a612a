// Native extension libraries: ELF shared objects (".kvd") opened with the
// platform layer and kept loaded for the life of the process once one of
// their modules is in use. Exports are found by name, or by the decorated
// name "_NAME@N" that callee-cleans init functions are exported under.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kestrel {

class NativeLibrary {
public:
    NativeLibrary(void* handle, std::u16string fileName) : handle_(handle), fileName_(std::move(fileName)) {}
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    void* handle() const { return handle_; }
    // The file's last path component, as messages name it.
    const std::u16string& fileName() const { return fileName_; }
    // Closes the library; only for a library none of whose modules is in use.
    void free();

private:
    void* handle_;
    std::u16string fileName_;
};
using NativeLibraryPtr = std::shared_ptr<NativeLibrary>;

// Opens the library at path; on failure queues "Load lib 'FILE'error: "
// and the system loader's reason at error level, and returns null.
NativeLibraryPtr loadLibrary(const std::u16string& path);

using ExportLookup = std::function<void*(const std::string& name)>;

// The address of name through lookup, else of the first decorated name
// "_NAME@N" found for N = 0, 4, ..., 124; null when none is exported.
void* findExport(const std::string& name, const ExportLookup& lookup);

// findExport in the library's own exports.
void* getExport(const NativeLibrary& library, const std::string& name);

// A diagnostic about a library that loaded but cannot be used (to stderr).
void reportLibraryProblem(const NativeLibrary& library, const std::u16string& problem);

}  // namespace kestrel
