// Script imports through module loading: the importer's directory comes
// from its key (its real path), and the module table answers with one
// record per file.
#pragma once

#include <string>

#include "vm/program_state.h"

namespace kestrel {

// The loader the machine uses when none was set with setScriptModuleLoader.
ScriptModuleLoad loadScriptModule(const std::u16string& name, const std::u16string& importerKey);

}  // namespace kestrel
