// Checks that a compiled module is safe to run: the shape the code generator
// produces, with every slot, register, scope and jump inside its bounds.
// Used on modules read from compiled-module files, which are untrusted.
#pragma once

#include "vm/instruction.h"

namespace kestrel {

bool verifyModule(const CompiledModule& module);

}  // namespace kestrel
