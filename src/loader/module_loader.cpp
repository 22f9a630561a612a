// The module table and its change check. A record found through a new name
// joins the record of the same file; a file that fails to compile is reported
// once and tried again only when it changes.
#include "loader/module_loader.h"

#include <cstdlib>
#include <cstring>

#include "loader/loader_messages.h"
#include "loader/source_file.h"
#include "host/console_queue.h"
#include "host/platform.h"
#include "host/runtime_paths.h"
#include "compiler/codegen.h"

namespace kestrel {

ModuleManager::ModuleManager(Directories searchDirectories, Clock clock, Reporter reporter)
    : searchDirectories_(std::move(searchDirectories)), clock_(std::move(clock)), reporter_(std::move(reporter)) {}

// A name seen before from the same directory skips the file search while its
// module has code and was checked recently; otherwise the file is found again (it may have
// appeared, moved or gained a source) and its record refreshed. Null when no
// file exists or the module has no code (it failed and was reported).
ModuleRecord* ModuleManager::load(const std::u16string& callerDirectory, const std::u16string& name) {
    const int64_t now = clock_();
    const std::u16string lookup = callerDirectory + u"::" + name;
    auto seen = byName_.find(lookup);
    if (seen != byName_.end()) {
        ModuleRecord* record = seen->second;
        if (record->code && now - record->lastCheck < kChangeCheckMillis) return record;
    }
    ModuleFile file;
    if (!findModuleFile(callerDirectory, name, searchDirectories_(), file)) return nullptr;
    ModuleRecord* record = recordFor(file);
    byName_[lookup] = record;
    refresh(*record, now);
    return record->code ? record : nullptr;
}

// One record per canonical file; it starts afresh when the file changed kind,
// since its code and stamp described the other file.
ModuleRecord* ModuleManager::recordFor(const ModuleFile& file) {
    std::unique_ptr<ModuleRecord>& slot = records_[file.key];
    if (!slot) slot = std::make_unique<ModuleRecord>();
    ModuleRecord& record = *slot;
    if (record.kind != file.kind || record.filePath.empty()) {
        record = ModuleRecord();  // a source appeared beside a compiled-only module, or the reverse
        record.kind = file.kind;
        record.key = file.key;
        record.filePath = file.path;
        record.modulePath = file.modulePath;
        record.directory = directoryOf(file.path);
    }
    return &record;
}

// The change check: at most once per two seconds per module; an unreadable
// status keeps what is loaded; a new stamp (or no code yet) loads again.
void ModuleManager::refresh(ModuleRecord& record, int64_t now) {
    if ((record.code || record.failed) && now - record.lastCheck < kChangeCheckMillis) return;
    record.lastCheck = now;
    SourceStamp stamp;
    if (!readSourceStamp(record.filePath, stamp)) return;
    if (record.stamped && stamp == record.stamp && (record.code || record.failed)) return;
    record.stamp = stamp;
    record.stamped = true;
    record.code = record.kind == ModuleFileKind::CompiledOnly ? loadCompiledOnly(record)
                                                               : compileWithCache(record, stamp);
    record.failed = record.code == nullptr;
}

// KESTREL_NO_CACHE set to anything but "" or "0" keeps ".kvc" files from
// being written beside the sources; existing ones are still read.
static bool cacheWritingWanted() {
    const char* setting = std::getenv("KESTREL_NO_CACHE");
    return setting == nullptr || setting[0] == '\0' || std::strcmp(setting, "0") == 0;
}

// The cache beside the source is used while it was made from this very
// source; otherwise the source is compiled and the cache rewritten.
CompiledModulePtr ModuleManager::compileWithCache(const ModuleRecord& record, const SourceStamp& stamp) {
    // A source with another extension ("Simple.txt") gets no cache: only
    // ".kvc" files beside ".kv" sources are ours to write.
    const bool cached = !hasForeignExtension(record.filePath);
    const std::u16string cachePath = record.filePath + u"c";
    if (cached) {
        if (CompiledModulePtr fromCache = readModuleCache(cachePath, &stamp)) return fromCache;
    }
    std::u16string report;
    CompiledModulePtr code = compileSourceFile(record.filePath, report);
    if (!code) {
        reporter_(report);
        return nullptr;
    }
    // A cache that can't be written only costs speed.
    if (cached && cacheWritingWanted()) writeModuleCache(cachePath, *code, stamp);
    return code;
}

// A module that exists only as a compiled file runs from that file; there is
// no source to fall back on when it is unsound.
CompiledModulePtr ModuleManager::loadCompiledOnly(const ModuleRecord& record) {
    CompiledModulePtr code = readModuleCache(record.filePath, nullptr);
    if (!code) reporter_(invalidCompiledModuleReport(record.filePath));
    return code;
}

// Parse and compile errors both come back as a parse-error report, with
// the file's path as its source name; nothing is written on failure.
CompiledModulePtr compileSourceFile(const std::u16string& path, std::u16string& report) {
    SourceFileParse parse = parseSourceFile(path);
    if (!parse.readable || !parse.outcome.ok) {
        report = sourceFileErrorReport(parse, path);
        return nullptr;
    }
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!compileModule(parse.outcome.root, *module, error)) {
        error.sourceName = path;
        report = error.report(parse.text);
        return nullptr;
    }
    return module;
}

// The program's one manager, built on first use: it searches the working and
// project directories and reports on the console in the error colour.
ModuleManager& moduleManager() {
    static ModuleManager manager(
        [] {
            std::vector<std::u16string> directories;
            const RuntimePaths& paths = runtimePaths();
            if (!paths.workingDirectory.empty()) directories.push_back(paths.workingDirectory);
            if (!paths.projectDirectory.empty()) directories.push_back(paths.projectDirectory);
            return directories;
        },
        [] { return platform::monotonicMillis(); },
        [](const std::u16string& report) { consoleWrite(report, kLevelError); });
    return manager;
}

}  // namespace kestrel
