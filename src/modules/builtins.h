// The built-in function table: print, the print switch and the type tests,
// at the fixed indexes of builtin_names.h. The table is filled once, by the
// start-up step that loads the actions model.
#pragma once

#include <cstdint>
#include <string>

#include "objects/arg_list.h"

namespace kestrel {

class KvBaseObject;

using KvBuiltinFunction = KvBaseObject* (*)(const KvArgList& args);

// Start-up, once per process: fills the table and writes the actions model
// notices at level 16 (not under "-q"). Later calls do nothing. Always true.
bool loadActionsModel();

// Calls the built-in at index (null outside the table); the result is a
// shared constant or a new value, never none.
KvBaseObject* callBuiltinFunction(int32_t index, const KvArgList& args);

bool isBuiltin(const std::u16string& name);

}  // namespace kestrel
