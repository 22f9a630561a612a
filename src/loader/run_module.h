// The running entry for the shell: runs one compiled module as a new
// program on a fresh machine and releases everything the run created.
#pragma once

#include <string>

#include "vm/instruction.h"

namespace kestrel {

// Runs module as a new program; moduleKey is the key module loading knows it
// by (its resolved path), so imports of the same file do not run it again.
// Returns true when the run ended in an uncaught exception (its text has
// been printed at level 256).
bool runModule(const CompiledModulePtr& module, const std::u16string& moduleKey = std::u16string());

enum class ScriptRunResult {
    Completed = 0,
    Uncaught = 1,    // an exception no handler took (printed at level 256)
    LoadFailed = 2,  // no such module, or it does not parse or compile (reported)
};

// Loads the module `path` names through module loading (a "./" name with no
// caller is taken from the working directory) and runs it as a new program.
ScriptRunResult runScriptPath(const std::u16string& path);

}  // namespace kestrel
