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

}  // namespace kestrel
