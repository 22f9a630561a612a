// The built-in function table: print, the print switch and the type tests,
// at the fixed indexes of builtin_names.h. The table is filled once, by the
// start-up step that loads the actions model.
#pragma once

#include <cstdint>
#include <string>

#include "vm/builtin_names.h"

namespace kestrel {

// Start-up, once per process: fills the table and writes the actions model
// notices at level 16 (not under "-q"). Later calls do nothing. Always true.
bool loadActionsModel();

// Hands the built-in functions to the machine's table (idempotent). Start-up
// does it through loadActionsModel; tests that run the machine alone call it.
void installBuiltinFunctions();

bool isBuiltin(const std::u16string& name);

}  // namespace kestrel
