// Runs Kestrel scripts inside the unit tests: parse, compile, run as a new
// program, with the console output captured. Script imports resolve beside
// the importing file. Used until the shell runs scripts itself.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "host/utf8.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"
#include "loader/source_file.h"
#include "parser/parse_source.h"
#include "host/console_queue.h"
#include "compiler/codegen.h"
#include "vm/program_state.h"
#include "loader/run_module.h"

namespace kestrel::testing {

struct ScriptRun {
    bool compiled = false;
    bool raised = false;
    std::string output;
    int64_t leakedValues = 0;  // values alive after the run that were not before
};

inline CompiledModulePtr compileFile(const std::filesystem::path& path) {
    SourceFileParse parse = parseSourceFile(fromUtf8(path.string()));
    if (!parse.outcome.ok) {
        consoleWrite(sourceFileErrorReport(parse, fromUtf8(path.string())), kLevelError);
        return nullptr;
    }
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!compileModule(parse.outcome.root, *module, error)) {
        consoleWrite(error.message + u"\r\n", kLevelError);
        return nullptr;
    }
    return module;
}

inline void installTestLoader() {
    setScriptModuleLoader([](const std::u16string& name, const std::u16string& importer) {
        std::filesystem::path base = importer.empty()
                                         ? std::filesystem::current_path()
                                         : std::filesystem::path(toUtf8(importer)).parent_path();
        std::filesystem::path file = base / toUtf8(name);
        if (file.extension() != ".kv") file += ".kv";
        ScriptModuleLoad load;
        std::error_code missing;
        file = std::filesystem::canonical(file, missing);
        if (missing) return load;
        load.module = compileFile(file);
        load.key = fromUtf8(file.string());
        load.ok = load.module != nullptr;
        return load;
    });
}

// Through module loading, as the shell runs a file: the first run of a
// changed file compiles it and writes its cache, a later one reads the cache.
inline ScriptRun runScript(const std::filesystem::path& path) {
    initObjectModel();
    setScriptModuleLoader(nullptr);  // imports go through module loading too
    ScriptRun run;
    std::filesystem::path file = std::filesystem::absolute(path).lexically_normal();
    ::testing::internal::CaptureStdout();
    int64_t before = kvLiveValueCount();
    ScriptRunResult result = runScriptPath(fromUtf8(file.string()));
    run.compiled = result != ScriptRunResult::LoadFailed;
    run.raised = result == ScriptRunResult::Uncaught;
    run.leakedValues = kvLiveValueCount() - before;
    consoleQueue().flush();
    run.output = ::testing::internal::GetCapturedStdout();
    return run;
}

inline ScriptRun runSource(const std::string& source) {
    static int counter = 0;
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kestrel_vm_test_" + std::to_string(::getpid()) + "_" +
                                  std::to_string(counter++) + ".kv");
    { std::ofstream(path) << source; }
    ScriptRun run = runScript(path);
    std::filesystem::remove(path);
    return run;
}

}  // namespace kestrel::testing
