// Module loading: a module name becomes a file (findModuleFile), the file a
// record in the module table keyed by its real path (one file is one module
// whatever name reached it), and the record holds the compiled code, read
// from the ".kvc" cache beside the source while that matches, else compiled
// and cached. Files are looked at again at most once per two seconds.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vm/instruction.h"
#include "loader/module_cache.h"
#include "loader/module_path.h"

namespace kestrel {

struct ModuleRecord {
    ModuleFileKind kind = ModuleFileKind::Source;
    std::u16string key;         // the real path of the file
    std::u16string filePath;    // the file found, with its extension
    std::u16string modulePath;  // the same without the extension
    std::u16string directory;   // where the module's own imports start looking
    SourceStamp stamp;          // of the file when it was last compiled or read
    bool stamped = false;
    bool failed = false;        // the file as stamped does not compile (reported once)
    int64_t lastCheck = 0;      // milliseconds, when the file was last looked at
    CompiledModulePtr code;     // null when the module failed to compile
};

class ModuleManager {
public:
    using Clock = std::function<int64_t()>;                          // milliseconds
    using Directories = std::function<std::vector<std::u16string>()>;
    using Reporter = std::function<void(const std::u16string&)>;    // parse and compile errors

    static constexpr int64_t kChangeCheckMillis = 2000;

    ModuleManager(Directories searchDirectories, Clock clock, Reporter reporter);

    // The module's record with its code, or null when no file was found or
    // the module does not compile (its error is reported once per version).
    ModuleRecord* load(const std::u16string& callerDirectory, const std::u16string& name);

    size_t moduleCount() const { return records_.size(); }

private:
    ModuleRecord* recordFor(const ModuleFile& file);
    void refresh(ModuleRecord& record, int64_t now);
    CompiledModulePtr compileWithCache(const ModuleRecord& record, const SourceStamp& stamp);
    CompiledModulePtr loadCompiledOnly(const ModuleRecord& record);

    Directories searchDirectories_;
    Clock clock_;
    Reporter reporter_;
    std::map<std::u16string, std::unique_ptr<ModuleRecord>> records_;  // by real path
    std::map<std::u16string, ModuleRecord*> byName_;                   // "caller::name" seen before
};

// Reads, parses and compiles a source file; on failure report holds the
// two-line error report naming the file, and the result is null.
CompiledModulePtr compileSourceFile(const std::u16string& path, std::u16string& report);

// The program-wide manager: search directories from the runtime paths
// (working, then project directory), errors to the console at error level.
ModuleManager& moduleManager();

}  // namespace kestrel
