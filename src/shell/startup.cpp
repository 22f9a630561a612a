#include "shell/startup.h"

#include <string>

#include "host/utf8.h"
#include "modules/builtins.h"
#include "modules/native_registry.h"
#include "modules/runtime_record.h"
#include "objects/shared_constants.h"
#include "parser/operator_table.h"
#include "host/console_queue.h"
#include "host/platform.h"
#include "host/runtime_paths.h"
#include "loader/module_loader.h"
#include "loader/script_imports.h"
#include "host/runtime_settings.h"
#include "shell/language_packs.h"
#include "shell/objects_model.h"

namespace kestrel {

// The standard library beside the program; its modules become the names
// every program starts with only when all of them loaded.
static bool loadNativeLibraries() {
    completeRuntimeRecord();
    installNativeModuleImporter();
    return loadStandardLibraries(nativeModules(), runtimePaths().executableLibraryDirectory);
}

// Creates the shared singletons once per process, in dependency order.
static void initializeAll() {
    runtimeSettings();
    consoleQueue();      // starts the writer thread
    initObjectModel();   // built-in types, shared constants
    buildRuntimeRecord();
    runtimePaths();
    moduleManager();
    setScriptModuleLoader(loadScriptModule);  // the machine imports scripts through module loading
    if (loadNativeLibraries()) registerNativeLibraryModules();
}

bool initializeRuntime() {
    static bool initialized = false;
    if (initialized) return true;
    initializeAll();
    loadOperatorTables();
    const bool quiet = runtimeSettings().quiet;
    if (!quiet) consoleWriteDirect(versionLine() + u"\r\n", platform::kAttributeNormal);
    loadActionsModel();
    // The language packs are loaded only after a successful objects model.
    bool modelsLoaded = loadObjectsModel() && loadKeywordMapping();
    if (!modelsLoaded) consoleWriteDirect(u"! Error initialize.\r\n", platform::kAttributeGreen);
    else if (!quiet) consoleWriteDirect(u"[Initialize finished]\r\n", platform::kAttributeGreen);
    initialized = true;
    return true;
}

}  // namespace kestrel
