// Script imports through module loading: the importer's directory comes
// from its key (its real path), and the module table answers with one
// record per file.
#pragma once

#include <string>

#include "vm/program_state.h"

namespace kestrel {

// The module-loading answer to a script import; start-up installs it as the
// machine's loader with setScriptModuleLoader.
ScriptModuleLoad loadScriptModule(const std::u16string& name, const std::u16string& importerKey);

}  // namespace kestrel
